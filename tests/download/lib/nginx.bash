# Sourced by the download tests and the download benchmark: one nginx of our own on a free
# loopback port, serving $NGINX_DIR/www, with a per-connection rate-limited twin under
# /limited/ and a redirect. Stop it with nginx_stop (by its process id).
#   nginx_start RATE   (RATE in nginx's limit_rate syntax, e.g. 20m)
# sets NGINX_DIR, NGINX_PORT, NGINX_PID.
# With NGINX_TLS set to a folder made by test_ca_make (lib/test_ca.bash) it also serves the
# same files over TLS: NGINX_TLS_PORT with a certificate of the test authority for
# 127.0.0.1 and localhost, NGINX_UNTRUSTED_PORT with one of an authority nobody trusts,
# NGINX_WRONGNAME_PORT with a trusted one for another host name. /to_https.bin on the plain
# port redirects to the TLS port (/to_https_named.bin by the name localhost); on the TLS port /to_http.bin redirects back to plain HTTP
# and /relative.bin redirects with a relative Location.

nginx_start() {
  local rate=${1:-1m}
  NGINX_DIR=$(mktemp -d /tmp/dl_nginx.XXXXXX)
  mkdir -p "$NGINX_DIR/www" "$NGINX_DIR/tmp" "$NGINX_DIR/logs"
  local attempt
  for attempt in 1 2 3 4 5 6 7 8; do
    NGINX_PORT=$((20000 + RANDOM % 40000))
    local tls_servers="" to_https=""
    if [ -n "${NGINX_TLS:-}" ]; then
      NGINX_TLS_PORT=$((20000 + RANDOM % 40000))
      NGINX_UNTRUSTED_PORT=$((20000 + RANDOM % 40000))
      NGINX_WRONGNAME_PORT=$((20000 + RANDOM % 40000))
      to_https="location = /to_https.bin { return 301 https://127.0.0.1:$NGINX_TLS_PORT/file.bin; }
    location = /to_https_named.bin { return 301 https://localhost:$NGINX_TLS_PORT/file.bin; }"
      tls_servers=$(_nginx_tls_server "$NGINX_TLS_PORT" server "$rate"
        _nginx_tls_server "$NGINX_UNTRUSTED_PORT" untrusted "$rate"
        _nginx_tls_server "$NGINX_WRONGNAME_PORT" wrongname "$rate")
    fi
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
    $to_https
  }
  $tls_servers
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

_nginx_tls_server() { # port, certificate name, rate
  cat <<TLS
  server {
    listen 127.0.0.1:$1 ssl;
    ssl_certificate $NGINX_TLS/$2.pem;
    ssl_certificate_key $NGINX_TLS/$2.key;
    root $NGINX_DIR/www;
    access_log $NGINX_DIR/logs/bytes.log bytes;
    absolute_redirect off;
    location /limited/ { alias $NGINX_DIR/www/; limit_rate $3; }
    location = /to_http.bin { return 302 http://127.0.0.1:$NGINX_PORT/file.bin; }
    location = /relative.bin { return 302 limited/file.bin; }
  }
TLS
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
