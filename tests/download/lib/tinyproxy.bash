# Sourced by the proxy tests: one tinyproxy of our own on a free loopback port, in the
# foreground under our own process id. Stop it with tinyproxy_stop.
#   tinyproxy_start [USER PASSWORD]   with credentials, it answers 407 to anyone without them
# sets TINYPROXY_DIR, TINYPROXY_PORT, TINYPROXY_PID.

tinyproxy_start() {
  TINYPROXY_DIR=$(mktemp -d /tmp/dl_proxy.XXXXXX)
  local auth="" attempt i
  [ $# -ge 2 ] && auth="BasicAuth $1 $2"
  for attempt in 1 2 3 4 5 6 7 8; do
    TINYPROXY_PORT=$((20000 + RANDOM % 40000))
    cat >"$TINYPROXY_DIR/tinyproxy.conf" <<CONF
Port $TINYPROXY_PORT
Listen 127.0.0.1
Timeout 60
MaxClients 64
LogFile "$TINYPROXY_DIR/tinyproxy.log"
LogLevel Info
Allow 127.0.0.1
DisableViaHeader Yes
$auth
CONF
    tinyproxy -d -c "$TINYPROXY_DIR/tinyproxy.conf" >"$TINYPROXY_DIR/stdout.log" 2>&1 &
    TINYPROXY_PID=$!
    for i in $(seq 1 50); do
      if (exec 3<>"/dev/tcp/127.0.0.1/$TINYPROXY_PORT") 2>/dev/null; then return 0; fi
      kill -0 "$TINYPROXY_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$TINYPROXY_PID" 2>/dev/null || true
    wait "$TINYPROXY_PID" 2>/dev/null || true
  done
  echo "tinyproxy did not start:" >&2
  cat "$TINYPROXY_DIR/tinyproxy.log" "$TINYPROXY_DIR/stdout.log" >&2 || true
  return 1
}

tinyproxy_stop() {
  if [ -n "${TINYPROXY_PID:-}" ]; then
    kill "$TINYPROXY_PID" 2>/dev/null || true
    wait "$TINYPROXY_PID" 2>/dev/null || true
    TINYPROXY_PID=
  fi
  [ -n "${TINYPROXY_DIR:-}" ] && rm -rf "$TINYPROXY_DIR"
  TINYPROXY_DIR=
}
