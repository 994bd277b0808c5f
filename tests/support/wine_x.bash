# Helpers for end-to-end tests of the Windows launcher under wine64 on a private Xvfb display
# (source this file). Everything started here is stopped by wine_x_stop, by its own id.
#   wine_x_start WORK   starts Xvfb on a display it finds free, sets DISPLAY, WINEPREFIX=WORK/prefix, wine, wineserver
#   stall_start WORK    a loopback server that accepts and never answers; sets stall_port
#   wine_x_stop         kills the wine processes of the prefix, the stall server and Xvfb
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
xvfb_pid="" stall_pid=""

wine_x_start() {
  local work=$1 display=""
  # Xvfb takes the first free display itself and says which: tests starting side by side
  # cannot pick the same one.
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  display=$(head -1 "$work/display" 2>/dev/null)
  [ -n "$display" ] || { echo "Xvfb gave no display"; return 1; }
  display=":$display"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  export DISPLAY=$display WINEPREFIX="$work/prefix" WINEDEBUG=-all LANG=zh_CN.UTF-8
  # No Mono or Gecko installers: they would open dialogs on a fresh prefix.
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# Waits up to 180 s for the launcher's window while process $1 runs; sets window.
wait_launcher_window() {
  window=""
  for _ in $(seq 180); do
    window=$(xdotool search --name 'VeskoTalveria' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && return 0
    kill -0 "$1" 2>/dev/null || { echo "the launcher ended before showing its window"; return 1; }
    sleep 1
  done
  echo "no launcher window within 180 s"
  return 1
}

stall_start() {
  local work=$1
  python3 -c '
import socket
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(16)
print(s.getsockname()[1], flush=True)
held = []
while True: held.append(s.accept()[0])
' >"$work/stall_port" &
  stall_pid=$!
  for _ in $(seq 50); do [ -s "$work/stall_port" ] && break; sleep 0.1; done
  stall_port=$(cat "$work/stall_port")
}

wine_x_stop() {
  set +e
  # Waited for: a server still winding down would meet the next prefix given this one's inode.
  [ -n "${WINEPREFIX:-}" ] && "$wineserver" -k 2>/dev/null && timeout 10 "$wineserver" -w 2>/dev/null
  [ -n "$stall_pid" ] && kill "$stall_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
