# Helpers for end-to-end tests that run the stand-in operator server (source this file).
#   standin_start DIR ARGS...   starts it with --ports-file DIR/ports --log DIR/standin.log and waits
#                               until its ports are open; sets STANDIN_PID and port_<name> variables
#                               (port_primary, port_secondary, port_files, port_login1, ...)
#   standin_stop                stops it by its pid (SIGTERM) and waits for it
standin_bin=${STANDIN_BIN:-${LAUNCHER_BUILD:?}/tools/standin-server}

standin_start() {
  local dir=$1; shift
  rm -f "$dir/ports"
  "$standin_bin" --ports-file "$dir/ports" --log "$dir/standin.log" "$@" &
  STANDIN_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$dir/ports" ] && break
    kill -0 "$STANDIN_PID" 2>/dev/null || { echo "stand-in server failed to start"; cat "$dir/standin.log"; return 1; }
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
