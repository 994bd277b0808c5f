#!/usr/bin/env bash
# The Linux launcher is offered a copy of itself built with another version (0.0.3) than the
# manifest's `ver` (0.0.2). It downloads and installs it once; the restarted copy finds that
# it is the file that offer installed, says so with both versions, and goes on with its run
# instead of downloading and restarting again.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
source "$here/../support/e2e_common.bash"
source "$here/../manifest/support/instance.sh"
launcher=${LAUNCHER_DIST:-$build/none}/linux/launcher
[ -x "$launcher" ] || launcher=$build/launcher

work=$(mktemp -d /tmp/repeated-offer.XXXXXX)
client=$work/client
standin_pid=""
cleanup() {
  # A copy started by the update script is found by its executable, which only this test has.
  for exe in /proc/[0-9]*/exe; do
    if [ "$exe" -ef "$client/launcher" ] 2>/dev/null; then pid=${exe#/proc/}; kill "${pid%/exe}" 2>/dev/null || true; fi
  done
  [ -n "$standin_pid" ] && kill "$standin_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work/run.log" "$client/launcher.log" "$work/server.log" 2>/dev/null || true; exit 1; }

mkdir -p "$client" "$work/files"
cp "$launcher" "$client/launcher"
: > "$client/Client.exe"
relabel_launcher "$launcher" "$work/files/DLQ.exe" 0.0.3
write_manifest "$work/manifest.xml" 0.0.2
start_standin "$work/manifest.xml" "$work/files" "$work/server.log"
write_endpoints "$work/endpoints.ini"

launcher_wait_alone
timeout 60 "$client/launcher" --headless --auto-update --endpoints "$work/endpoints.ini" > "$work/run.log" 2>&1 ||
  fail "the updating run ended with $?"
# The restarted copy ends by itself once its (empty) update is over.
wait_for_text "$client/launcher.log" 60 "not repeated" || fail "the restarted copy did not let the offer be"
sleep 0.5
launcher_wait_alone 60 || fail "the restarted copy kept running"
sleep 2  # room for a further start, should one come
cmp "$work/files/DLQ.exe" "$client/launcher" || fail "the offered file is not in place"
[ "$(grep -c 'UpdateInfo_test.xml' "$work/server.log")" -eq 2 ] || fail "not exactly two manifest requests"
[ "$(grep -c 'GET /DLQ.exe.* -> 200' "$work/server.log")" -eq 1 ] || fail "not exactly one download"
grep -qF 'launcher update from 0.0.3 to "0.0.2": not repeated, this launcher is the file that offer installed' \
  "$client/launcher.log" || fail "the support log does not tell why"
grep -q ' evaluation: patches needed' "$client/launcher.log" || fail "the restarted copy did not go on to the patch list"
grep -qF '更新信息提供的登录器版本为0.0.2,当前登录器的版本为0.0.3,已更新过一次,不再重复更新,请联系游戏管理员!' \
  "$work/run.log" || fail "the message naming both versions was not printed"
echo "one download, one restart, then the run went on"
