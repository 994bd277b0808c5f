#!/usr/bin/env bash
# The 64-bit Windows launcher under wine64 on a private Xvfb display: the skinned window as
# drawn (screenshot kept as an artifact), a help button's pressed face, a press released
# outside a link button (nothing opens), dragging the window by its background, and the
# close button ending the launcher. Every process started here is stopped here by its id.
set -euo pipefail
source_dir=${LAUNCHER_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
dist=${LAUNCHER_DIST:-$source_dir/dist}
exe=$dist/win64/launcher.exe
artifacts=${LAUNCHER_ARTIFACTS:-${LAUNCHER_BUILD:-$source_dir/build}/artifacts}/e2e_skin
checks="$source_dir/tests/e2e_skin/skin_checks.py"
assets="$source_dir/assets"

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$exe" ] || fail "$exe is missing (./run build makes it)"
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
for tool in "$wine" "$wineserver" Xvfb xdotool import convert python3; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done

work=$(mktemp -d)
mkdir -p "$artifacts"
xvfb_pid="" launcher_pid="" stall_pid=""
cleanup() {
  set +e
  [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
  WINEPREFIX="$work/prefix" "$wineserver" -k 2>/dev/null
  WINEPREFIX="$work/prefix" timeout 10 "$wineserver" -w 2>/dev/null
  [ -n "$stall_pid" ] && kill "$stall_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A loopback server that accepts and never answers keeps the manifest fetch waiting, so the
# window stays in its start-up look for the whole test and nothing leaves this machine.
cat >"$work/stall.py" <<'PY'
import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(16)
print(s.getsockname()[1], flush=True)
held = []
while True:
    held.append(s.accept()[0])
PY
python3 "$work/stall.py" >"$work/port" &
stall_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
[ -n "$port" ] || fail "the stalling server did not start"

display=""
for n in $(seq 91 160); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || fail "no free X display"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display

client="$work/client"
mkdir -p "$client"
cp "$exe" "$client/launcher.exe"
printf 'stand-in game client\n' >"$client/Client.exe"
cat >"$client/endpoints.ini" <<INI
[manifest]
primary = 127.0.0.1
secondary = 127.0.0.1
primary_port = $port
secondary_port = $port
[web]
announcement = 127.0.0.1
site = 127.0.0.1
forum = 127.0.0.1
account = 127.0.0.1
qq = 127.0.0.1
INI

export WINEPREFIX="$work/prefix" WINEDEBUG=-all LANG=zh_CN.UTF-8
# No Mono or Gecko installers: they would open dialogs on a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
(cd "$client" && exec "$wine" launcher.exe --endpoints endpoints.ini) >"$work/launcher.log" 2>&1 &
launcher_pid=$!

window=""
for _ in $(seq 180); do  # a fresh prefix takes a while
  window=$(xdotool search --name VeskoTalveria 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  kill -0 "$launcher_pid" 2>/dev/null || { cat "$work/launcher.log"; fail "the launcher ended before showing its window"; }
  sleep 1
done
[ -n "$window" ] || fail "no launcher window within 180 s"

position() { xdotool getwindowgeometry "$window" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }'; }
shot() { # name: screenshot of the window area into $work/NAME.png
  read -r wx wy < <(position)
  import -window root "$work/screen.png"
  convert "$work/screen.png" -crop "988x730+$wx+$wy" +repage "$work/$1.png"
}
press_at() { read -r wx wy < <(position); xdotool mousemove $((wx + $1)) $((wy + $2)); sleep 0.3; xdotool mousedown 1; sleep 0.5; }
move_to() { read -r wx wy < <(position); xdotool mousemove $((wx + $1)) $((wy + $2)); sleep 0.5; }
browsers() { ps -eo args | grep -E -c '[w]inebrowser|[i]explore|[x]dg-open' || true; }

sleep 3  # let the start-up texts arrive and paint
read -r x0 y0 < <(position)
[ "$x0" = 146 ] && [ "$y0" = 147 ] || fail "window not centred on the 1280 x 1024 screen: at $x0,$y0"
shot window
cp "$work/window.png" "$artifacts/window.png"
python3 "$checks" look "$work/window.png" "$assets"

# A help tile shows its pressed face while held, its normal face once the pointer leaves.
press_at 442 498
shot help_pressed
python3 "$checks" face "$work/help_pressed.png" "$assets/btn_help1_pressed.jpg" 368 460
move_to 200 300
shot help_left
python3 "$checks" face "$work/help_left.png" "$assets/btn_help1_normal.jpg" 368 460
xdotool mouseup 1
sleep 1

# Pressing a link button and releasing outside it opens nothing.
before=$(browsers)
press_at 410 565
move_to 410 640
xdotool mouseup 1
sleep 3
[ "$(browsers)" = "$before" ] || fail "a press released outside the home-page button opened something"
kill -0 "$launcher_pid" 2>/dev/null || fail "the launcher ended after a press released outside a button"
echo "ok     press released outside a link button opens nothing"

# Dragging the background moves the window by the same distance.
press_at 200 300
read -r wx wy < <(position)
for step in 1 2 3 4 5 6; do xdotool mousemove $((wx + 200 + step * 10)) $((wy + 300 + step * 7)); sleep 0.1; done
sleep 0.3
xdotool mouseup 1
sleep 1
read -r x1 y1 < <(position)
[ $((x1 - x0)) -ge 57 ] && [ $((x1 - x0)) -le 63 ] && [ $((y1 - y0)) -ge 39 ] && [ $((y1 - y0)) -le 45 ] ||
  fail "dragging the background by (60, 42) moved the window from $x0,$y0 to $x1,$y1"
echo "ok     dragging the background moved the window by ($((x1 - x0)), $((y1 - y0)))"

# The close button ends the launcher.
press_at 965 19
xdotool mouseup 1
for _ in $(seq 150); do kill -0 "$launcher_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$launcher_pid" 2>/dev/null; then fail "the close button did not end the launcher"; fi
wait "$launcher_pid" && code=0 || code=$?
launcher_pid=""
[ "$code" = 0 ] || fail "the launcher ended with exit code $code after the close button"
echo "ok     the close button ended the launcher with exit code 0"
