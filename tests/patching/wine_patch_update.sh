#!/usr/bin/env bash
# The Windows launcher (the 32-bit product, see use_product_build) under Wine, headless, updates a client folder from the
# stand-in operator server: a first start ended during a stalled download, a second start whose
# file server answers 404 (the patch fails with its message, the cache stays), a third that
# resumes with range requests and installs every patch byte for byte (one in new folder levels,
# one replacing an old copy) with the final status, and a manifest with a manual patch whose
# list is written in GBK. The runs leave their notes in launcher.log in the client folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
source "$here/../support/e2e_common.bash"
maker=$(built_tool manifest-maker)
source "$here/patch_release.bash"

work=$(mktemp -d /tmp/patching-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=wineserver
client=$work/client
release=$work/release
standin_pid=""
launcher_pid=""
cleanup() {
  stop_wineserver
  for pid in "$launcher_pid" "$standin_pid"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
use_product_build
exe=$(windows_build launcher.exe)
[ -n "$exe" ] || { echo "no ${windows_bits}-bit launcher.exe: build it first (./run build)" >&2; exit 1; }
stop_standin() { kill "$standin_pid"; wait "$standin_pid" 2>/dev/null || true; standin_pid=""; }

start_launcher() {  # log file
  (cd "$client" && exec "$wine" "$client/launcher.exe" --headless --auto-update \
    --endpoints "$(windows_path "$work/endpoints.ini")") > "$1" 2>&1 &
  launcher_pid=$!
}
wait_launcher() {  # log file: the launcher ends by itself within two minutes
  for ((i = 0; i < 1200; i++)); do kill -0 "$launcher_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$launcher_pid" 2>/dev/null; then cat "$1"; echo "the launcher did not end" >&2; return 1; fi
  wait "$launcher_pid" 2>/dev/null || true
  launcher_pid=""
}

make_release
cp "$exe" "$client/launcher.exe"
make_manifest

echo "1. the first start is ended during a stalled download"
start_standin "$work/manifest.xml" "$release" "$work/server1.log" --fault files:stall-after=300000 --fault-limit 5
write_endpoints "$work/endpoints.ini"
start_launcher "$work/run1.log"
wait_for_count "$work/server1.log" 60 5 "stalled" || { cat "$work/run1.log"; exit 1; }
for ((i = 0; i < 600; i++)); do [ -s "$client/DownloadCache/big.pak.tmp.work" ] && break; sleep 0.1; done
sleep 3  # one more save of the download state, now that every connection holds data
stop_wineserver
wait "$launcher_pid" 2>/dev/null || true
launcher_pid=""
stop_standin
grep -F '发现新的更新文件 在线更新:3 总大小:3.19MB 手动更新:0 总大小:0B' "$work/run1.log"
[ -s "$client/DownloadCache/big.pak.tmp" ]
[ -s "$client/DownloadCache/big.pak.tmp.work" ]
[ ! -e "$client/big.pak" ]

# The saved state holds the address, so the server comes back on the same ports.
restart_standin() {  # log file, extra options
  local log=$1
  shift
  start_standin "$work/manifest.xml" "$release" "$log" --primary-port "$primary_port" \
    --secondary-port "$secondary_port" --files-port "$files_port" "$@"
}

echo "2. the file server answers 404: the patch fails with its message, the cache stays"
restart_standin "$work/server404.log" --fault files:status=404
start_launcher "$work/run404.log"
wait_launcher "$work/run404.log"
stop_standin
grep -F 'message: "big.pak更新异常终止,请关闭登录器稍后尝试!"' "$work/run404.log" || { cat "$work/run404.log"; exit 1; }
[ -s "$client/DownloadCache/big.pak.tmp" ]
[ -s "$client/DownloadCache/big.pak.tmp.work" ]
[ ! -e "$client/big.pak" ]

echo "3. the next start resumes and installs every patch"
restart_standin "$work/server2.log"
start_launcher "$work/run2.log"
wait_launcher "$work/run2.log"
stop_standin
grep '^标签_更新信息: ' "$work/run2.log" | tail -1 | grep -F '"更新完毕, 祝你游戏愉快！"' || { cat "$work/run2.log"; exit 1; }
grep -F '按钮_开始游戏: enabled' "$work/run2.log"
expect_resumed_install "$work/server2.log"
support_log=$client/launcher.log
grep -E ' start: launcher 0\.0\.1, system code page [0-9]+, locale [0-9]+, display language [A-Z]+, client folder "Z:' "$support_log"
grep -F ' refused "big.pak": the download is incomplete' "$support_log"
grep -E ' download "http://127\.0\.0\.1:[0-9]+/big\.pak" to "Z:.*DownloadCache.big\.pak\.tmp": complete, 3000000 of 3000000 bytes, [1-9][0-9]* resumed, up to 5 connections' "$support_log"
grep -E ' install "big\.pak" to "Z:.*client.big\.pak": installed, 0 retries while the file was held' "$support_log"
iconv -f UTF-8 -t UTF-8 "$support_log" >/dev/null

echo "4. a manual patch: the list is written and the launcher ends"
mkdir -p "$release/extra"
head -c 1000 /dev/urandom > "$release/extra/manual.zip"
make_manifest --manual "*.zip"
start_standin "$work/manifest.xml" "$release" "$work/server3.log"
write_endpoints "$work/endpoints.ini"
start_launcher "$work/run3.log"
wait_launcher "$work/run3.log"
stop_standin
grep -F '发现新的更新文件 在线更新:0 总大小:0B 手动更新:1 总大小:1000B' "$work/run3.log"
python3 - "$client/PatchList.txt" "$files_port" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
expected = ('需要手动下载补丁目录\r\n补丁名：manual.zip 下载地址 http://127.0.0.1:%s/extra/manual.zip\r\n' % sys.argv[2]).encode('gbk')
assert data == expected, data
PY
[ ! -e "$client/extra/manual.zip" ]
echo "patching under wine: all steps passed"
