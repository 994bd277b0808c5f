#!/usr/bin/env bash
# The Linux launcher in a client folder whose name holds blanks, '&', '%' and parentheses is
# offered a newer copy of itself. The first start is ended while the file server stalls, with
# part of the download on disk. The next start resumes it with range requests only, the update
# script puts the new launcher in the old one's place and starts it with the same options (made
# absolute), and the new launcher goes on without updating again.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
source "$here/../support/e2e_common.bash"
launcher=${LAUNCHER_DIST:-$build/none}/linux/launcher
[ -x "$launcher" ] || launcher=$build/launcher

work=$(mktemp -d /tmp/selfupdate-linux.XXXXXX)
standin_pid=""
first_pid=""
second_pid=""
client="$work/client dir & (v1) 100%"
# The restarted launcher is started by the update script; it is found by its executable,
# which lives only in this test's folder.
stop_restarted() {
  for exe in /proc/[0-9]*/exe; do
    if [ "$exe" -ef "$client/launcher" ] 2>/dev/null; then
      pid=${exe#/proc/}
      kill "${pid%/exe}" 2>/dev/null || true
    fi
  done
}
cleanup() {
  stop_restarted
  for pid in "$first_pid" "$second_pid" "$standin_pid"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$client" "$work/files"
cp "$launcher" "$client/launcher"
: > "$client/Client.exe"
relabel_launcher "$launcher" "$work/files/DLQ.exe" 0.0.2
write_manifest "$work/manifest.xml" 0.0.2

echo "first start: the file server stalls, the launcher is ended with part of the file"
# Only the first five answers stall: the resumed download, which asks for the same address
# (the saved state holds it), is served in full by the same server.
start_standin "$work/manifest.xml" "$work/files" "$work/server.log" --fault files:stall-after=400000 --fault-limit 5
write_endpoints "$work/endpoints.ini"
"$client/launcher" --headless --endpoints "$work/endpoints.ini" > "$work/first.log" 2>&1 &
first_pid=$!
wait_for_count "$work/server.log" 30 5 "stalled"
for ((i = 0; i < 100; i++)); do [ -s "$client/DownloadCache/DLQ.exe.tmp.work" ] && break; sleep 0.1; done
sleep 1.5  # one more save of the download state, now that every connection holds data
kill -9 "$first_pid"
wait "$first_pid" 2>/dev/null || true
first_pid=""
[ -s "$client/DownloadCache/DLQ.exe.tmp" ]
[ -s "$client/DownloadCache/DLQ.exe.tmp.work" ]
[ ! -e "$client/update.sh" ]
cmp "$launcher" "$client/launcher"

echo "second start: the download resumes and the new launcher takes over"
requests_before=$(grep -c 'GET /DLQ.exe' "$work/server.log")
# Started from the test's folder with relative options: the restarted launcher, which runs in
# the client folder, must still find them.
(cd "$work" && exec "$client/launcher" --headless --run-dir "${client##*/}" --endpoints endpoints.ini) \
  > "$work/second.log" 2>&1 &
second_pid=$!
wait_for_text "$work/second.log" 60 "LAUNCHER VER:0.0.2" || { cat "$work/second.log" "$work/server.log"; exit 1; }
wait_for_text "$work/second.log" 30 "登陆器为最新版本，无需更新..."
grep -F "登陆器更新完成,即将自动重启登录器,点击确定后等待几秒..." "$work/second.log"
# Resumed: every new request for the file asks for a range, and none starts where a segment
# of the first start began (each of those holds data now).
# (sed reads to the end: a head that stopped early would fail the pipe under pipefail)
grep 'GET /DLQ.exe' "$work/server.log" | sed -n "1,${requests_before}p" | sed -n 's/.* range=bytes=\([0-9]*\)-.*/\1/p' \
  > "$work/first_starts"
echo 0 >> "$work/first_starts"
grep 'GET /DLQ.exe' "$work/server.log" | tail -n +"$((requests_before + 1))" > "$work/resumed.log"
cat "$work/resumed.log"
[ -s "$work/resumed.log" ]
if grep -v ' range=bytes=[0-9]*-' "$work/resumed.log"; then echo "a request without a range" >&2; exit 1; fi
while read -r start; do
  if grep -q " range=bytes=$start-" "$work/resumed.log"; then echo "segment at $start fetched again" >&2; exit 1; fi
done < "$work/first_starts"
cmp "$work/files/DLQ.exe" "$client/launcher"
[ -x "$client/launcher" ]
[ ! -e "$client/update.sh" ]
[ ! -e "$client/DownloadCache/DLQ.exe.tmp" ]
[ ! -e "$client/DownloadCache/DLQ.exe.tmp.work" ]
echo "the new launcher replaced the old one and runs"
