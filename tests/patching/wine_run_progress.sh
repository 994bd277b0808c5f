#!/usr/bin/env bash
# The Windows launcher (the 32-bit product, see use_product_build) in its real window under
# Wine on a private Xvfb display updates a client folder from a rate-limited stand-in file
# server. The window backend writes every change of the taskbar progress, the tray tooltip and
# the flashing to the file named by LAUNCHER_SHELL_TRACE, as it asks the shell for them:
#   - the taskbar progress climbs while the run goes and is cleared at its end;
#   - the tray tooltip shows the run's totals and then the icon's own text again;
#   - the window, minimised by its own button during the run, has its button flashed once.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
source_dir=${LAUNCHER_SOURCE:-$(cd "$here/../.." && pwd)}
source "$source_dir/tests/support/wine_x.bash"
source "$source_dir/tests/support/e2e_common.bash"
maker=$(built_tool manifest-maker)
source "$here/patch_release.bash"

work=$(mktemp -d /tmp/run-progress-wine.XXXXXX)
client=$work/client
release=$work/release
standin_pid="" launcher_pid=""
fail() {
  echo "FAIL: $*" >&2
  cat "$work/shell.trace" "$client/launcher.log" 2>/dev/null | tail -40 >&2
  exit 1
}
cleanup() {
  set +e
  [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
  [ -n "$standin_pid" ] && kill "$standin_pid" 2>/dev/null
  wine_x_stop
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
command -v xdotool >/dev/null || fail "xdotool is not installed"
wine_x_start "$work"
use_product_build
exe=$(windows_build launcher.exe)
[ -n "$exe" ] || fail "no ${windows_bits}-bit launcher.exe (./run build makes it)"

make_release
cp "$exe" "$client/launcher.exe"
make_manifest
# 3.19 MB at about 150 KB/s (30 KB/s on each of five connections): some twenty seconds.
start_standin "$work/manifest.xml" "$release" "$work/server.log" --fault files:rate=30000
write_endpoints "$work/endpoints.ini"
trace=$work/shell.trace
export LAUNCHER_SHELL_TRACE
LAUNCHER_SHELL_TRACE=$(windows_path "$trace")
(cd "$client" && exec "$wine" launcher.exe --endpoints "$(windows_path "$work/endpoints.ini")") > "$work/run.log" 2>&1 &
launcher_pid=$!

# The start-update button shows once the evaluation is noted (a fresh prefix takes a while).
wait_for_text "$client/launcher.log" 240 "evaluation: patches needed online 3" || fail "no evaluation"
window=$(xdotool search --name 'VeskoTalveria' 2>/dev/null | head -1 || true)
[ -n "$window" ] || fail "no launcher window"
sleep 1
read -r wx wy < <(xdotool getwindowgeometry "$window" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }')
xdotool mousemove $((wx + 879)) $((wy + 666)) click 1  # the middle of the start-update button
wait_for_text "$trace" 60 "taskbar normal 0" || fail "the run did not show on the taskbar"
wait_for_text "$client/launcher.log" 60 "update run: 0 of 3 patches" || fail "the run was not noted"
sleep 2
xdotool mousemove $((wx + 941)) $((wy + 19)) click 1  # the window's own minimise button
wait_for_text "$client/launcher.log" 120 "update run finished" || fail "the run did not finish"
wait_for_text "$trace" 10 "tooltip VKTALVERA LAUNCHER" || fail "the tooltip did not return"
sleep 1
tr -d '\r' < "$trace" > "$work/trace.txt"  # written with Windows line ends
trace=$work/trace.txt
cat "$trace"

echo "1. the taskbar progress climbs, never back, reaches 100 and is cleared"
grep '^taskbar normal [0-9]*' "$trace" | awk '{ print $3 }' > "$work/percents"
[ "$(wc -l < "$work/percents")" -ge 5 ] || fail "only $(wc -l < "$work/percents") progress steps"
sort -n -c "$work/percents" || fail "the progress went back"
[ "$(tail -1 "$work/percents")" = 100 ] || fail "the progress did not reach 100"
grep '^taskbar ' "$trace" | tail -1 | grep -q '^taskbar none 0' || fail "the taskbar progress was not cleared"
refute grep -q '^taskbar error' "$trace"

echo "2. the tooltip carries the run's totals and the time left, then its own text"
grep -q '^tooltip 总进度:0% 0B/3.19MB' "$trace" || fail "no first tooltip of the run"
grep -Eq '^tooltip 总进度:[0-9]+% [0-9.]+(B|KB|MB)/3\.19MB 剩余约[0-9]+(秒|分)' "$trace" || fail "no time left"
grep -q '^tooltip 总进度:100% 3.19MB/3.19MB' "$trace" || fail "no tooltip of the finished run"
grep '^tooltip ' "$trace" | tail -1 | grep -q '^tooltip VKTALVERA LAUNCHER' || fail "the tooltip stayed the run's"

echo "3. the minimised window's taskbar button flashes once"
[ "$(grep -c '^flash' "$trace")" = 1 ] || fail "not one request to flash"
grep -qx 'flash' "$trace" || fail "the minimised window was not flashed"

for f in big.pak data/maps/world/map01.pak replaced.dat; do cmp "$release/$f" "$client/$f" || fail "$f differs"; done
echo "run progress under wine: all checks passed (${windows_bits}-bit build)"
