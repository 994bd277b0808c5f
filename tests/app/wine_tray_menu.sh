#!/usr/bin/env bash
# The Windows launcher's real window under Wine (the 32-bit product, see use_product_build) on
# a private Xvfb display: a right-click on its icon in Wine's system tray window opens the
# popup menu, a choice made with the keyboard reaches the launcher, and a click elsewhere
# closes the menu without a choice. What the menu showed and what was chosen is read back from
# the shell trace (LAUNCHER_SHELL_TRACE); that the choice reached the download controls, from
# the support log and from the registry of this test's own prefix, where the player's limit is
# kept (HKCU\Software\VKTalvera\Launcher, SpeedLimit); the next start shows it checked.
set -euo pipefail
source_dir=${LAUNCHER_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
source "$source_dir/tests/support/wine_x.bash"
source "$source_dir/tests/support/e2e_common.bash"
command -v xdotool >/dev/null || { echo "SKIP: xdotool is not installed"; exit 0; }
work=$(mktemp -d /tmp/tray-menu-wine.XXXXXX)
launcher_pid=""
trace=$work/trace.txt
fail() { echo "FAIL: $*" >&2; cat "$trace" 2>/dev/null; exit 1; }
stop_launcher() {
  [ -n "$launcher_pid" ] || return 0
  kill "$launcher_pid" 2>/dev/null || true
  wait "$launcher_pid" 2>/dev/null || true
  launcher_pid=""
}
cleanup() { set +e; stop_launcher; wine_x_stop; [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"; }
trap cleanup EXIT
wine_x_start "$work"
stall_start "$work"
use_product_build
exe=$(windows_build launcher.exe)
[ -n "$exe" ] || fail "no ${windows_bits}-bit launcher.exe (./run build makes it)"

client=$work/client
mkdir -p "$client"
cp "$exe" "$client/launcher.exe"
printf 'stand-in game client\n' >"$client/Client.exe"
# The manifest fetch waits on a server that never answers: the window stays as it starts.
printf '[manifest]\nprimary = 127.0.0.1\nsecondary = 127.0.0.1\nprimary_port = %s\nsecondary_port = %s\n[web]\nannouncement = 127.0.0.1:%s\n' \
  "$stall_port" "$stall_port" "$stall_port" >"$client/endpoints.ini"

# Waits for a line of the shell trace holding the fixed text $1.
wait_trace() {
  for _ in $(seq 300); do
    [ -f "$trace" ] && tr -d '\r' <"$trace" | grep -qF -- "$1" && return 0
    kill -0 "$launcher_pid" 2>/dev/null || fail "the launcher ended before tracing: $1"
    sleep 0.1
  done
  fail "no trace line '$1' within 30 s"
}
start_launcher() {
  rm -f "$trace"
  (cd "$client" && LAUNCHER_SHELL_TRACE=$(windows_path "$trace") exec "$wine" launcher.exe --endpoints endpoints.ini) \
    >"$work/launcher.out" 2>&1 &
  launcher_pid=$!
  wait_launcher_window "$launcher_pid" || fail "the launcher window"
  wait_trace "tooltip VKTALVERA LAUNCHER"
  tray=$(xdotool search --name 'Wine System Tray' 2>/dev/null | head -1 || true)
  [ -n "$tray" ] || fail "Wine shows no system tray window"
}
# The launcher's icon is the first in the tray window.
right_click_icon() { xdotool mousemove --window "$tray" 8 10 click 3; }
menu_windows() { xdotool search --onlyvisible --name '^$' 2>/dev/null | while read -r w; do
  xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 1280x1024' || echo "$w"; done; }
limit_key='HKCU\Software\VKTalvera\Launcher'

echo "1. a right-click opens the menu; 2 MB/s chosen with the keyboard reaches the launcher"
start_launcher
[ -z "$(menu_windows)" ] || fail "a menu window before the click"
right_click_icon
wait_trace 'menu shown: 下载限速 {1 不限速 (checked), 2 500 KB/s, 3 1 MB/s, 4 2 MB/s, 5 5 MB/s}, -, 30 检查并修复客户端 (disabled)'
[ -n "$(menu_windows)" ] || fail "no menu window on the screen"
# The first entry, its submenu, three down to 2 MB/s.
for key in Down Right Down Down Down Return; do xdotool key "$key"; sleep 0.3; done
wait_trace "menu chose 4"
grep -qF 'speed limit set: 2097152 bytes per second' "$client/launcher.log" || fail "launcher.log has no limit line"
"$wine" reg query "$limit_key" /v SpeedLimit 2>/dev/null | tr -d '\r' | grep -qE 'SpeedLimit +REG_DWORD +0x200000$' ||
  fail "the registry does not hold SpeedLimit 0x200000"
echo "ok     chosen: trace 'menu chose 4', launcher.log and the registry say 2097152"

echo "2. a click elsewhere closes the menu without a choice"
right_click_icon
wait_trace "menu shown: 下载限速 {1 不限速, 2 500 KB/s, 3 1 MB/s, 4 2 MB/s (checked), 5 5 MB/s}"
xdotool mousemove --window "$window" 600 300 click 1
wait_trace "menu dismissed"
for _ in $(seq 50); do [ -z "$(menu_windows)" ] && break; sleep 0.1; done
[ -z "$(menu_windows)" ] || fail "the menu stayed open"
echo "ok     dismissed"
stop_launcher
stop_wineserver

echo "3. the next start shows the remembered limit checked"
start_launcher
right_click_icon
wait_trace 'menu shown: 下载限速 {1 不限速, 2 500 KB/s, 3 1 MB/s, 4 2 MB/s (checked), 5 5 MB/s}'
xdotool key Escape
wait_trace "menu dismissed"
echo "ok"
