#!/usr/bin/env bash
# The headless Linux launcher updates a client folder from the stand-in operator server:
#   1. the first start is ended while the file server stalls, part of a patch on disk;
#   2. the next start meets a file server that answers 404: the patch fails with its message,
#      and the cache stays for resuming;
#   3. the next start resumes with range requests only, installs every patch byte for byte
#      (a new file, one replaced, one in new folder levels) and shows the final status;
#   4. a manifest with a manual patch: PatchList.txt is written and opened, the launcher ends;
#   5. a patch whose download does not match its check code is refused and not kept;
#   6. a patch whose path leads out of the client folder is refused before any download;
#   7. a running Client.exe (no window on Linux) makes the launcher refuse to patch.
# Every run leaves its notes in launcher.log in the client folder, checked along the way.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
source "$here/../support/e2e_common.bash"
maker=$(built_tool manifest-maker)
launcher=${LAUNCHER_DIST:-$build/none}/linux/launcher
[ -x "$launcher" ] || launcher=$build/launcher
source "$here/patch_release.bash"
source "$here/../manifest/support/instance.sh"

work=$(mktemp -d /tmp/patching-linux.XXXXXX)
client=$work/client
release=$work/release
standin_pid=""
launcher_pid=""
game_pid=""
stop() {  # pid variable names
  for name in "$@"; do
    local pid=${!name}
    if [ -n "$pid" ]; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
    printf -v "$name" '%s' ""
  done
}
cleanup() {
  stop launcher_pid game_pid standin_pid
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT

# The shell's "open" on Linux is xdg-open: this one records what it was asked to open.
mkdir -p "$work/bin"
cat > "$work/bin/xdg-open" <<SH
#!/bin/sh
printf '%s\n' "\$1" >> "$work/opened"
SH
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

make_release
cp "$launcher" "$client/launcher"
make_manifest

run_launcher() {  # log file[, expected exit code]; waits for the launcher to end by itself
  local code=0
  launcher_wait_alone
  timeout 120 "$client/launcher" --headless --endpoints "$work/endpoints.ini" --auto-update > "$1" 2>&1 || code=$?
  [ "$code" = "${2:-0}" ] || { echo "exit code $code, expected ${2:-0}"; return 1; }
}
# The saved download state holds the patch's address, so a resumed download goes back to the
# same port: the server is started again on the ports it had.
restart_standin() {  # log file, extra options
  local log=$1
  shift
  start_standin "$work/manifest.xml" "$release" "$log" --primary-port "$primary_port" \
    --secondary-port "$secondary_port" --files-port "$files_port" "$@"
}
status_line() { grep '^标签_更新信息: ' "$1" | tail -1; }
support_log=$client/launcher.log

echo "1. the first start is ended during a stalled download"
start_standin "$work/manifest.xml" "$release" "$work/server1.log" --fault files:stall-after=300000 --fault-limit 5
write_endpoints "$work/endpoints.ini"
launcher_wait_alone
"$client/launcher" --headless --endpoints "$work/endpoints.ini" --auto-update > "$work/run1.log" 2>&1 &
launcher_pid=$!
wait_for_count "$work/server1.log" 30 5 "stalled"
for ((i = 0; i < 100; i++)); do [ -s "$client/DownloadCache/big.pak.tmp.work" ] && break; sleep 0.1; done
sleep 1.5  # one more save of the download state, now that every connection holds data
kill -9 "$launcher_pid"; wait "$launcher_pid" 2>/dev/null || true; launcher_pid=""
stop standin_pid
grep -F '发现新的更新文件 在线更新:3 总大小:3.19MB 手动更新:0 总大小:0B' "$work/run1.log"
grep -m1 -F '更新进度:1/3  当前补丁大小:2.86MB  当前下载速度:' "$work/run1.log"
[ -s "$client/DownloadCache/big.pak.tmp" ]
[ -s "$client/DownloadCache/big.pak.tmp.work" ]
[ ! -e "$client/big.pak" ]

echo "2. the file server answers 404: the patch fails with its message, the cache stays"
restart_standin "$work/server2.log" --fault files:status=404
run_launcher "$work/run2.log" 5 || { cat "$work/run2.log"; exit 1; }
grep -F 'message: "big.pak更新异常终止,请关闭登录器稍后尝试!"' "$work/run2.log" || { cat "$work/run2.log"; exit 1; }
stop standin_pid
[ -s "$client/DownloadCache/big.pak.tmp" ]
[ -s "$client/DownloadCache/big.pak.tmp.work" ]
[ ! -e "$client/big.pak" ]
grep -E ' download "http://127\.0\.0\.1:[0-9]+/big\.pak" to ".*": incomplete, [1-9][0-9]* bytes of an unknown size, [1-9][0-9]* resumed' "$support_log"
grep -F ' refused "big.pak": the download is incomplete' "$support_log"

echo "3. the next start resumes and installs every patch"
restart_standin "$work/server3.log"
run_launcher "$work/run3.log" || { cat "$work/run3.log"; exit 1; }
stop standin_pid
status_line "$work/run3.log" | grep -F '"更新完毕, 祝你游戏愉快！"' || { cat "$work/run3.log"; exit 1; }
grep -F '按钮_开始更新: hidden' "$work/run3.log"
grep -F '按钮_开始游戏: enabled' "$work/run3.log"
grep -F '标签_更新进度: "100%"' "$work/run3.log" | tail -1
expect_resumed_install "$work/server3.log"
refute grep -q 'GET /data/sound.pak' "$work/server3.log"  # current: never fetched
# The support log: the start, the manifest's source, the evaluation, the resumed download and
# the install of big.pak, in UTF-8.
[ -s "$support_log" ]
grep -E ' start: launcher 0\.0\.1, system code page 65001, locale [0-9]+, display language [A-Z]+, client folder ' "$support_log"
grep -E " manifest from \"127\.0\.0\.1\" port $primary_port: answered" "$support_log"
grep -E ' check "sound\.pak" at ".*": current' "$support_log"
grep -E ' download "http://127\.0\.0\.1:[0-9]+/big\.pak" to ".*DownloadCache.big\.pak\.tmp": complete, 3000000 of 3000000 bytes, [1-9][0-9]* resumed, up to 5 connections, [0-9]+ ms' "$support_log"
grep -E ' install "big\.pak" to ".*client.big\.pak": installed, 0 retries while the file was held' "$support_log"
grep -E ' install "map01\.pak" to ".*client.data.maps.world.map01\.pak": installed' "$support_log"
grep -F ' update finished, patches installed: 3' "$support_log"
iconv -f UTF-8 -t UTF-8 "$support_log" >/dev/null

echo "4. a manual patch: the list is written and opened, the launcher ends"
mkdir -p "$release/extra"
head -c 1000 /dev/urandom > "$release/extra/manual.zip"
make_manifest --manual "*.zip"
start_standin "$work/manifest.xml" "$release" "$work/server4.log"
write_endpoints "$work/endpoints.ini"
run_launcher "$work/run4.log" || { cat "$work/run4.log"; exit 1; }
stop standin_pid
grep -F '发现新的更新文件 在线更新:0 总大小:0B 手动更新:1 总大小:1000B' "$work/run4.log"
refute grep -F '更新完毕' "$work/run4.log"
python3 - "$client/PatchList.txt" "$files_port" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
expected = ('需要手动下载补丁目录\r\n补丁名：manual.zip 下载地址 http://127.0.0.1:%s/extra/manual.zip\r\n' % sys.argv[2]).encode('gbk')
assert data == expected, data
PY
wait_for_text "$work/opened" 5 "PatchList.txt"
# The shell is handed the file in this system's spelling, so the viewer can open it.
[ "$(cat "$work/opened")" = "$client/PatchList.txt" ]
[ ! -e "$client/extra/manual.zip" ]   # never downloaded
rm "$release/extra/manual.zip"; rmdir "$release/extra"

echo "5. a download that does not match its check code is not kept"
head -c 70000 /dev/urandom > "$release/checked.dat"
make_manifest
head -c 70000 /dev/urandom > "$release/checked.dat"   # the server now holds another file
start_standin "$work/manifest.xml" "$release" "$work/server5.log"
write_endpoints "$work/endpoints.ini"
run_launcher "$work/run5.log" 5 || { cat "$work/run5.log"; exit 1; }
stop standin_pid
grep -F 'message: "checked.dat下载的文件校验失败,请关闭登录器稍后尝试!"' "$work/run5.log" || { cat "$work/run5.log"; exit 1; }
grep -F ' refused "checked.dat": check-code mismatch' "$support_log"
[ ! -e "$client/checked.dat" ]
[ -z "$(ls -A "$client/DownloadCache")" ]
rm "$release/checked.dat"

echo "6. a path out of the client folder is refused before any download"
make_manifest
sed -i 's|<PatchList>|<PatchList>\r\n    <Patch name="evil.sh" path="..\\.." size="5" CheckCode="" url="http://@HOST@:@FILES_PORT@/replaced.dat" isupdate="true"/>|' \
  "$work/manifest.xml"
start_standin "$work/manifest.xml" "$release" "$work/server6.log"
write_endpoints "$work/endpoints.ini"
run_launcher "$work/run6.log" 5 || { cat "$work/run6.log"; exit 1; }
stop standin_pid
grep -F 'message: "evil.sh补丁的文件名或目录无效,已停止更新,请联系游戏管理员!"' "$work/run6.log" || { cat "$work/run6.log"; exit 1; }
refute grep -q 'GET /replaced.dat' "$work/server6.log"
grep -F ' refused "evil.sh": unsafe location' "$support_log"
[ ! -e "$work/../evil.sh" ]
[ ! -e "$work/evil.sh" ]

echo "7. a running Client.exe: the launcher refuses to patch"
head -c 10 /dev/urandom > "$release/new.dat"
make_manifest
cp "$(command -v sleep)" "$work/Client.exe"
"$work/Client.exe" 60 &
game_pid=$!
start_standin "$work/manifest.xml" "$release" "$work/server7.log"
write_endpoints "$work/endpoints.ini"
launcher_wait_alone
"$client/launcher" --headless --endpoints "$work/endpoints.ini" --auto-update > "$work/run7.log" 2>&1 &
launcher_pid=$!
wait_for_text "$work/run7.log" 30 'message: "请退出所有游戏后在尝试更新！"' || { cat "$work/run7.log"; exit 1; }
sleep 0.5
stop launcher_pid game_pid standin_pid
grep -F '按钮_开始更新: disabled' "$work/run7.log"
grep -F ' refused: the game is running' "$support_log"
refute grep -q 'GET /new.dat' "$work/server7.log"
[ ! -e "$client/new.dat" ]
echo "patching end to end: all steps passed"
