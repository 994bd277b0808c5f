#!/usr/bin/env bash
# The Windows launcher (the 32-bit product, see use_product_build) under Wine: started in a
# folder with a Client.exe it shows its 988 x 730 window titled VeskoTalveria登录器
# (screenshot kept as an artifact); a second start ends on its own while the first keeps
# running. The client folder's path holds Chinese characters (on a simplified-Chinese system).
set -euo pipefail
source_dir=${LAUNCHER_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
artifacts=${LAUNCHER_ARTIFACTS:-${LAUNCHER_BUILD:-$source_dir/build}/artifacts}/startup
source "$source_dir/tests/support/wine_x.bash"
source "$source_dir/tests/support/e2e_common.bash"
fail() { echo "FAIL: $*" >&2; cat "$work"/first.log 2>/dev/null; exit 1; }

work=$(mktemp -d)
first_pid=""
cleanup() { set +e; [ -n "$first_pid" ] && kill "$first_pid" 2>/dev/null; wine_x_stop; rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$artifacts"
wine_x_start "$work"
stall_start "$work"
use_product_build
exe=$(windows_build launcher.exe)
[ -n "$exe" ] || fail "no ${windows_bits}-bit launcher.exe (./run build makes it)"

client="$work/客户端 folder"
mkdir -p "$client"
cp "$exe" "$client/launcher.exe"
printf 'stand-in game client\n' >"$client/Client.exe"
printf '[manifest]\nprimary = 127.0.0.1\nsecondary = 127.0.0.1\nprimary_port = %s\nsecondary_port = %s\n[web]\nannouncement = 127.0.0.1\n' \
  "$stall_port" "$stall_port" >"$client/endpoints.ini"

(cd "$client" && exec "$wine" launcher.exe --endpoints endpoints.ini) >"$work/first.log" 2>&1 &
first_pid=$!
window=""
for _ in $(seq 180); do  # a fresh prefix takes a while
  window=$(xdotool search --name 'VeskoTalveria' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  kill -0 "$first_pid" 2>/dev/null || fail "the launcher ended before showing its window"
  sleep 1
done
[ -n "$window" ] || fail "no launcher window within 180 s"
sleep 2
title=$(xdotool getwindowname "$window")
[ "$title" = "VeskoTalveria登录器" ] || fail "window title is '$title'"
size=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }')
[ "$size" = "988x730" ] || fail "window size is $size"
[ -d "$client/DownloadCache" ] || fail "no DownloadCache folder"
import -window root "$work/screen.png"
read -r wx wy < <(xdotool getwindowgeometry "$window" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }')
convert "$work/screen.png" -crop "988x730+$wx+$wy" +repage "$artifacts/first_window.png"
echo "ok     first copy shows a 988x730 window titled $title"

# A second start ends by itself with exit code 0 and leaves the first copy running.
start=$(date +%s)
(cd "$client" && timeout 60 "$wine" launcher.exe --endpoints endpoints.ini) >"$work/second.log" 2>&1 && code=0 || code=$?
[ "$code" = 0 ] || fail "second copy ended with exit code $code"
echo "ok     second copy ended after $(( $(date +%s) - start )) s with exit code 0"
kill -0 "$first_pid" 2>/dev/null || fail "the first copy ended when the second started"
[ "$(xdotool search --name 'VeskoTalveria' 2>/dev/null | wc -l)" -ge 1 ] || fail "the first window is gone"
echo "ok     first copy still runs"
