# Sourced by the download tests and the download benchmark: one nginx of our own on a free
# loopback port, serving $NGINX_DIR/www, with a per-connection rate-limited twin under
# /limited/ and a redirect. Stop it with nginx_stop (by its process id).
#   nginx_start RATE   (RATE in nginx's limit_rate syntax, e.g. 20m)
# sets NGINX_DIR, NGINX_PORT, NGINX_PID.

nginx_start() {
  local rate=${1:-1m}
  NGINX_DIR=$(mktemp -d /tmp/dl_nginx.XXXXXX)
  mkdir -p "$NGINX_DIR/www" "$NGINX_DIR/tmp" "$NGINX_DIR/logs"
  local attempt
  for attempt in 1 2 3 4 5 6 7 8; do
    NGINX_PORT=$((20000 + RANDOM % 40000))
    cat >"$NGINX_DIR/nginx.conf" <<CONF
master_process off;
daemon off;
pid $NGINX_DIR/nginx.pid;
error_log $NGINX_DIR/logs/error.log warn;
events { worker_connections 256; }
http {
  access_log $NGINX_DIR/logs/access.log;
  log_format bytes '\$request_uri \$status \$body_bytes_sent "\$http_range"';
  client_body_temp_path $NGINX_DIR/tmp/body;
  proxy_temp_path $NGINX_DIR/tmp/proxy;
  fastcgi_temp_path $NGINX_DIR/tmp/fastcgi;
  uwsgi_temp_path $NGINX_DIR/tmp/uwsgi;
  scgi_temp_path $NGINX_DIR/tmp/scgi;
  sendfile on;
  tcp_nopush on;
  server {
    listen 127.0.0.1:$NGINX_PORT;
    root $NGINX_DIR/www;
    access_log $NGINX_DIR/logs/bytes.log bytes;
    location /limited/ { alias $NGINX_DIR/www/; limit_rate $rate; }
    location = /redirect.bin { return 302 /file.bin; }
  }
}
CONF
    nginx -p "$NGINX_DIR" -c "$NGINX_DIR/nginx.conf" >"$NGINX_DIR/logs/stdout.log" 2>&1 &
    NGINX_PID=$!
    local i
    for i in $(seq 1 50); do
      if curl -s -o /dev/null "http://127.0.0.1:$NGINX_PORT/"; then return 0; fi
      kill -0 "$NGINX_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$NGINX_PID" 2>/dev/null || true
    wait "$NGINX_PID" 2>/dev/null || true
  done
  echo "nginx did not start:" >&2
  cat "$NGINX_DIR/logs/error.log" "$NGINX_DIR/logs/stdout.log" >&2 || true
  return 1
}

nginx_stop() {
  if [ -n "${NGINX_PID:-}" ]; then
    kill "$NGINX_PID" 2>/dev/null || true
    wait "$NGINX_PID" 2>/dev/null || true
    NGINX_PID=
  fi
  [ -n "${NGINX_DIR:-}" ] && rm -rf "$NGINX_DIR"
  NGINX_DIR=
}

# Body bytes nginx has sent for requests whose address contains $1.
nginx_bytes_sent() {
  awk -v pat="$1" 'index($1, pat) { sum += $3 } END { print sum + 0 }' "$NGINX_DIR/logs/bytes.log"
}

# Two nginx of our own as mirrors of one another, each configured as above:
#   nginx_mirrors_start RATE   sets MIRROR1_PID/DIR/PORT and MIRROR2_PID/DIR/PORT
#   nginx_mirror1_start RATE   starts the first one again (a fresh folder and port)
#   nginx_mirror1_stop         stops the first one, as a server that goes away mid-download
#   nginx_mirrors_stop         stops both and removes their folders
nginx_mirror1_start() {
  [ -n "${MIRROR1_DIR:-}" ] && rm -rf "$MIRROR1_DIR"
  nginx_start "$1" || return 1
  MIRROR1_PID=$NGINX_PID MIRROR1_DIR=$NGINX_DIR MIRROR1_PORT=$NGINX_PORT
  NGINX_PID= NGINX_DIR=
}

nginx_mirrors_start() {
  nginx_mirror1_start "$1" || return 1
  nginx_start "$1" || return 1
  MIRROR2_PID=$NGINX_PID MIRROR2_DIR=$NGINX_DIR MIRROR2_PORT=$NGINX_PORT
  NGINX_PID= NGINX_DIR=
}

nginx_mirror1_stop() {
  if [ -n "${MIRROR1_PID:-}" ]; then
    kill "$MIRROR1_PID" 2>/dev/null || true
    wait "$MIRROR1_PID" 2>/dev/null || true
    MIRROR1_PID=
  fi
}

nginx_mirrors_stop() {
  nginx_mirror1_stop
  [ -n "${MIRROR1_DIR:-}" ] && rm -rf "$MIRROR1_DIR"
  MIRROR1_DIR=
  NGINX_PID=${MIRROR2_PID:-} NGINX_DIR=${MIRROR2_DIR:-}
  nginx_stop
  MIRROR2_PID= MIRROR2_DIR=
}
