# Helpers for end-to-end tests that run the stand-in operator server (source this file).
#   standin_start DIR ARGS...   starts it with --ports-file DIR/ports --log DIR/standin.log (or
#                               $STANDIN_LOG) and waits until its ports are open; sets STANDIN_PID
#                               and port_<name> variables (port_primary, port_files, port_login1, ...)
#   standin_stop                stops it by its pid (SIGTERM) and waits for it
#   standin_endpoints ADDRESS   prints an endpoints file that points both manifest addresses at
#                               the running server, with ADDRESS as the announcement page
standin_bin=${STANDIN_BIN:-${LAUNCHER_BUILD:?}/tools/standin-server}

standin_start() {
  local dir=$1; shift
  rm -f "$dir/ports"
  local log=${STANDIN_LOG:-$dir/standin.log}
  "$standin_bin" --ports-file "$dir/ports" --log "$log" "$@" &
  STANDIN_PID=$!
  for _ in $(seq 1 200); do
    [ -s "$dir/ports" ] && break
    kill -0 "$STANDIN_PID" 2>/dev/null || { echo "stand-in server failed to start"; cat "$log"; return 1; }
    sleep 0.05
  done
  [ -s "$dir/ports" ] || { echo "stand-in server did not open its ports"; return 1; }
  while IFS='=' read -r name port; do
    printf -v "port_$name" '%s' "$port"
  done < "$dir/ports"
}

standin_stop() {
  [ -n "${STANDIN_PID:-}" ] || return 0
  kill -TERM "$STANDIN_PID" 2>/dev/null || true
  wait "$STANDIN_PID" 2>/dev/null || true
  STANDIN_PID=
}

standin_endpoints() {
  printf '[manifest]\nprimary = 127.0.0.1\nprimary_port = %s\nsecondary = 127.0.0.1\nsecondary_port = %s\n' \
    "$port_primary" "$port_secondary"
  printf '[web]\nannouncement = %s\n' "$1"
}
