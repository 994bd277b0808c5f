#!/usr/bin/env bash
# The Windows launcher (the 32-bit product, see use_product_build) under Wine, in a client folder whose name holds blanks, '&',
# '%' and parentheses, is offered a copy of itself built as 0.0.3 under the `ver` 0.0.2. The
# update script runs under Wine's cmd: the new executable ends up in the old one's place and
# starts, with the system's taskkill and ping, not the ones planted in the client folder; the
# new copy knows it is the file that offer installed and goes on without updating again.
# Then, with the launcher made read-only, the script keeps the old launcher and starts it, and
# that copy lets the same offer be for this start.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
source "$here/../support/e2e_common.bash"

work=$(mktemp -d /tmp/selfupdate-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
standin_pid=""
launcher_pid=""
cleanup() {
  # Everything the update scripts started runs inside this test's own wine prefix.
  stop_wineserver
  [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null || true
  [ -n "$standin_pid" ] && kill "$standin_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
use_product_build
exe=$(windows_build launcher.exe)
[ -n "$exe" ] || { echo "no ${windows_bits}-bit launcher.exe: build it first (./run build)" >&2; exit 1; }

mkdir -p "$work/files"
relabel_launcher "$exe" "$work/files/DLQ.exe" 0.0.3
write_manifest "$work/manifest.xml" 0.0.2
start_standin "$work/manifest.xml" "$work/files" "$work/server.log"
write_endpoints "$work/endpoints.ini"

# Starts the launcher in client folder $1 with its output in $2, and waits until a later
# copy has asked for the manifest (the $3-th request in the server log).
run_until_restarted() {
  local client=$1 log=$2 requests=$3
  (cd "$client" && exec "$wine" "$client/launcher.exe" --headless --endpoints "$(windows_path "$work/endpoints.ini")") \
    > "$log" 2>&1 &
  launcher_pid=$!
  wait_for_count "$work/server.log" 120 "$requests" "UpdateInfo_test.xml" || {
    cat "$log" "$work/server.log"
    return 1
  }
}

echo "an update replaces the launcher"
client="$work/client dir & (v1) 100%"
mkdir -p "$client"
cp "$exe" "$client/launcher.exe"
: > "$client/Client.exe"
# Programs of the system's names in the client folder, which cmd would find there first.
for tool in taskkill ping; do printf '@echo %s>>planted-ran.txt\r\n' "$tool" > "$client/$tool.bat"; done
run_until_restarted "$client" "$work/first.log" 2
grep -F "登陆器更新完成,即将自动重启登录器,点击确定后等待几秒..." "$work/first.log"
for ((i = 0; i < 600; i++)); do cmp -s "$work/files/DLQ.exe" "$client/launcher.exe" && break; sleep 0.1; done
cmp "$work/files/DLQ.exe" "$client/launcher.exe"
for ((i = 0; i < 600; i++)); do [ ! -e "$client/update.bat" ] && break; sleep 0.1; done
[ ! -e "$client/update.bat" ]
[ ! -e "$client/launcher.exe.old" ]
[ ! -e "$client/DownloadCache/DLQ.exe.tmp" ]
[ ! -e "$client/planted-ran.txt" ] || { echo "the script ran the client folder's $(cat "$client/planted-ran.txt")"; exit 1; }
# The new launcher does not take the same offer again: it goes on with its run, and there is
# no further download and no further start.
wait_for_text "$client/launcher.log" 120 'from 0.0.3 to "0.0.2": not repeated, this launcher is the file that offer installed'
wait_for_text "$client/launcher.log" 60 'evaluation: patches needed'
sleep 3
[ "$(grep -c 'UpdateInfo_test.xml' "$work/server.log")" -eq 2 ]
[ "$(grep -c 'HTTP/1.1" -> 200' "$work/server.log")" -eq 1 ]
"$wineserver" -k
wait "$launcher_pid" 2>/dev/null || true

echo "a read-only launcher is kept and started again"
client="$work/read only & (v2)"
mkdir -p "$client"
cp "$exe" "$client/launcher.exe"
: > "$client/Client.exe"
chmod a-w "$client/launcher.exe"
run_until_restarted "$client" "$work/second.log" 4
grep -F "登陆器更新完成,即将自动重启登录器,点击确定后等待几秒..." "$work/second.log"
# The copy that started again is the old one: it does not download again (a fresh download
# begins with the one request without a range, answered 200; the manifest is asked over HTTP/1.0).
wait_for_text "$client/launcher.log" 120 'not repeated, the installation of that offer did not take'
wait_for_text "$client/launcher.log" 60 'evaluation: patches needed'
sleep 3
[ "$(grep -c 'UpdateInfo_test.xml' "$work/server.log")" -eq 4 ]
[ "$(grep -c 'HTTP/1.1" -> 200' "$work/server.log")" -eq 2 ]
cmp "$exe" "$client/launcher.exe"
echo "the update replaced a writable launcher once and kept a read-only one, without a loop"
