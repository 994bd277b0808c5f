#!/usr/bin/env bash
# The headless Linux launcher driven on standard input while it updates a client folder from a
# rate-limited stand-in server: the tray menu (tray 3) offers pause only while the download
# runs and checks the current limit; "limit N", "pause", "resume" and a menu choice reach the
# download controls (launcher.log notes each) and are acknowledged; a refused repair and lines
# it does not know are said so and change nothing. The chosen limit is remembered in the
# player's own configuration folder, not the client folder, and the next run starts with it
# unless --limit-rate says otherwise. A run with its input closed behaves as before.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
source "$here/../support/e2e_common.bash"
maker=$(built_tool manifest-maker)
launcher=${LAUNCHER_DIST:-$build/none}/linux/launcher
[ -x "$launcher" ] || launcher=$build/launcher
source "$here/../patching/patch_release.bash"
source "$here/../manifest/support/instance.sh"

work=$(mktemp -d /tmp/tray-commands-linux.XXXXXX)
client=$work/client
release=$work/release
standin_pid="" run_pid="" stall_pid=""
export XDG_CONFIG_HOME=$work/config HOME=$work/home
settings=$XDG_CONFIG_HOME/vktalvera-launcher/settings
fail() { echo "FAIL: $*" >&2; cat "$work/run.log" 2>/dev/null | grep -v '^标签_更新进度\|^进度条' | tail -40; exit 1; }
cleanup() {
  set +e
  exec 3>&- 2>/dev/null
  [ -n "$run_pid" ] && { kill "$run_pid" 2>/dev/null; wait "$run_pid" 2>/dev/null; }
  [ -n "$standin_pid" ] && { kill "$standin_pid" 2>/dev/null; wait "$standin_pid" 2>/dev/null; }
  [ -n "$stall_pid" ] && { kill "$stall_pid" 2>/dev/null; wait "$stall_pid" 2>/dev/null; }
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT

make_release
cp "$launcher" "$client/launcher"
make_manifest
# About ten seconds for the 3.19 MB at 60 KB/s on each of five connections: time to drive it.
start_standin "$work/manifest.xml" "$release" "$work/server.log" --fault files:rate=60000
write_endpoints "$work/endpoints.ini"

# Waits until the run's output has a line matching the fixed text $1.
wait_for() {
  for _ in $(seq 600); do
    grep -qF -- "$1" "$work/run.log" 2>/dev/null && return 0
    kill -0 "$run_pid" 2>/dev/null || fail "the launcher ended before printing: $1"
    sleep 0.1
  done
  fail "no line '$1' within 60 s"
}
say() { printf '%s\n' "$1" >&3; }
# An endpoints file naming only 127.0.0.1:$1.
endpoints_at() {
  printf '[manifest]\nprimary = 127.0.0.1\nprimary_port = %s\nsecondary = 127.0.0.1\nsecondary_port = %s\n' "$1" "$1"
  printf '[web]\nannouncement = 127.0.0.1:%s\n' "$1"
}

echo "1. commands and the menu while the update runs"
launcher_wait_alone
mkfifo "$work/input"
"$client/launcher" --headless --endpoints "$work/endpoints.ini" --auto-update < "$work/input" > "$work/run.log" 2>&1 &
run_pid=$!
exec 3> "$work/input"
wait_for '更新进度:1/3'
say "tray 3"
wait_for 'menu: ["下载限速" {[1 "不限速" checked] [2 "500 KB/s"] [3 "1 MB/s"] [4 "2 MB/s"] [5 "5 MB/s"]}] | [20 "暂停下载"] | [30 "检查并修复客户端" disabled]'
say "limit 1048576"
wait_for 'input: limit 1048576 bytes/s'
say "pause"
wait_for 'input: downloads paused'
say "tray 3"
wait_for 'menu: ["下载限速" {[1 "不限速"] [2 "500 KB/s"] [3 "1 MB/s" checked] [4 "2 MB/s"] [5 "5 MB/s"]}] | [21 "继续下载"] | [30 "检查并修复客户端" disabled]'
say "choose 30"
wait_for 'input: choose 30: no such entry in the menu shown, ignored'
say "repair"
wait_for 'input: repair refused: an update or a game start is in progress'
say "resume"
wait_for 'input: downloads resumed'
say "tray 3"
wait_for 'menu: ["下载限速" {[1 "不限速"] [2 "500 KB/s"] [3 "1 MB/s" checked] [4 "2 MB/s"] [5 "5 MB/s"]}] | [20 "暂停下载"]'
say "choose 5"
wait_for 'input: chose 5'
say "limit 2M"
wait_for 'input: limit: not a number of bytes per second: 2M, ignored'
say "go faster"
wait_for 'input: unknown command "go faster", ignored'
exec 3>&-  # the end of the input changes nothing: the update goes on to its end
timeout 120 tail --pid="$run_pid" -f /dev/null || fail "the update did not end"
wait "$run_pid" && code=0 || code=$?
run_pid=""
[ "$code" = 0 ] || fail "the run ended with $code"
grep '^标签_更新信息: ' "$work/run.log" | tail -1 | grep -qF '"更新完毕, 祝你游戏愉快！"' || fail "the update did not finish"
expect_resumed_install_files() { for f in big.pak data/maps/world/map01.pak replaced.dat; do cmp "$release/$f" "$client/$f"; done; }
expect_resumed_install_files || fail "the patches are not in place"

echo "2. each choice reached the download controls, in order (launcher.log)"
grep -oE 'speed limit set: [0-9]+ bytes per second|speed limit removed|downloads (paused|resumed)' "$client/launcher.log" \
  > "$work/choices"
printf '%s\n' "speed limit set: 1048576 bytes per second" "downloads paused" "downloads resumed" \
  "speed limit set: 5242880 bytes per second" | cmp - "$work/choices" || { cat "$work/choices"; fail "launcher.log"; }

echo "3. the last limit chosen is the player's, kept outside the client folder"
[ "$(cat "$settings")" = 'Software\VKTalvera\Launcher\SpeedLimit=5242880' ] || fail "settings: $(cat "$settings")"
if grep -rqs --exclude=launcher SpeedLimit "$client"; then fail "the limit was written into the client folder"; fi

# A run that stays at its manifest fetch (a server that accepts and never answers) shows what
# it starts with; it is stopped by its pid.
python3 -c '
import socket
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(16)
print(s.getsockname()[1], flush=True)
held = []
while True: held.append(s.accept()[0])
' > "$work/stall_port" &
stall_pid=$!
for _ in $(seq 50); do [ -s "$work/stall_port" ] && break; sleep 0.1; done
endpoints_at "$(cat "$work/stall_port")" > "$work/stall.ini"
started_with() {  # options...: the checked entry of the limit submenu at start
  launcher_wait_alone
  rm -f "$client/launcher.log"
  "$client/launcher" --headless --endpoints "$work/stall.ini" "$@" < "$work/input" > "$work/run.log" 2>&1 &
  run_pid=$!
  exec 3> "$work/input"
  wait_for '标签_更新信息: "正在检查更新......"'
  say "tray 3"
  wait_for 'menu: '
  grep -o 'menu: .*' "$work/run.log" | grep -oE '\[[0-9] "[^"]*" checked\]|当前限速 [0-9]+ KB/s' | head -1
  kill "$run_pid"; wait "$run_pid" 2>/dev/null || true
  run_pid=""
  exec 3>&-
}

echo "4. the next run starts with the remembered limit; --limit-rate wins and is not remembered"
[ "$(started_with)" = '[5 "5 MB/s" checked]' ] || fail "the remembered limit was not set at start"
grep -qF 'speed limit set: 5242880 bytes per second' "$client/launcher.log" || fail "no log line for the start limit"
[ "$(started_with --limit-rate 0)" = '[1 "不限速" checked]' ] || fail "--limit-rate 0 did not lift the limit"
[ "$(started_with --limit-rate 300000)" = '当前限速 293 KB/s' ] || fail "--limit-rate 300000 is not shown"
[ "$(cat "$settings")" = 'Software\VKTalvera\Launcher\SpeedLimit=5242880' ] || fail "--limit-rate was remembered"

echo "5. refused values, and a closed or empty input changes nothing"
"$client/launcher" --headless --limit-rate fast > "$work/refused.log" 2>&1 && code=0 || code=$?
[ "$code" = 2 ] && grep -qF -- '--limit-rate needs a whole number of bytes per second, not fast' "$work/refused.log" ||
  { cat "$work/refused.log"; fail "--limit-rate fast was not refused (exit $code)"; }
# Both endpoints refuse at once: the run ends with its usual exit code for no usable manifest.
endpoints_at 9 > "$work/closed.ini"
for input in closed devnull; do
  launcher_wait_alone
  if [ "$input" = closed ]; then
    "$client/launcher" --headless --endpoints "$work/closed.ini" <&- > "$work/$input.log" 2>&1 && code=0 || code=$?
  else
    "$client/launcher" --headless --endpoints "$work/closed.ini" < /dev/null > "$work/$input.log" 2>&1 && code=0 || code=$?
  fi
  [ "$code" = 6 ] || { cat "$work/$input.log"; fail "stdin $input: exit $code, not 6"; }
  if grep -q '^input:\|^menu:' "$work/$input.log"; then fail "stdin $input: acted on input"; fi
done
echo "ok"
