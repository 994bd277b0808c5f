#!/usr/bin/env bash
# A launcher that trusts one signing key (given with --endpoints), against the stand-in server:
# a correctly signed release installs and starts the game; a flipped byte, a removed signature,
# an unknown key, an older serial, a swapped patch and a swapped launcher are each refused with
# their message, the client folder unchanged byte for byte and no program started; a signed
# launcher update replaces the launcher.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
source "$here/../support/e2e_common.bash"
source "$here/../manifest/support/instance.sh"
source "$here/trust_cases.bash"
maker=$(built_tool manifest-maker)
launcher=${LAUNCHER_DIST:-$build/none}/linux/launcher
[ -x "$launcher" ] || launcher=$build/launcher
test_client=$(built_tool test-client)

work=$(mktemp -d /tmp/trust-linux.XXXXXX)
client=$work/client
launcher_name=launcher
standin_pid=""
launcher_pid=""
stop_restarted() {
  for exe in /proc/[0-9]*/exe; do
    if [ "$exe" -ef "$client/$launcher_name" ] 2>/dev/null; then
      pid=${exe#/proc/}
      kill "${pid%/exe}" 2>/dev/null || true
    fi
  done
}
cleanup() {
  stop_restarted
  for pid in "$launcher_pid" "$standin_pid"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$client"
cp "$launcher" "$client/$launcher_name"
cp "$test_client" "$client/Client.exe"
new_launcher=$work/DLQ-0.0.2
relabel_launcher "$launcher" "$new_launcher" 0.0.2
chmod +x "$new_launcher"
export TEST_CLIENT_RECORD=$work/record

start_launcher() {  # log, options
  local log=$1
  shift
  launcher_wait_alone
  "$client/$launcher_name" --headless --endpoints "$work/endpoints.ini" "$@" > "$log" 2>&1 &
  launcher_pid=$!
}
write_payload() { printf '#!/bin/sh\ntouch %s\n' "$work/payload_ran" > "$1"; }

run_trust_cases
run_planted_file_case

# A server that answers a signed patch with another size (954 MB announced): the keyed launcher
# refuses it before the file is made, at once, without filling the disk. The launcher is the
# 0.0.2 that the earlier cases installed; serial 1003 is the one it has seen.
echo "a patch answered with another size than the signed one is refused before anything is written"
head -c 70000 /dev/urandom > "$work/files/patch/d.pak"
sign_release "$work/key.pem" 1003 0.0.2
standin_stop
STANDIN_LOG=$work/server.log standin_start "$work" --manifest "$work/manifest.xml" --primary-port "$port_primary" \
  --secondary-port "$port_secondary" --files "$work/files" --files-port "$port_files" --login "$port_login1" \
  --fault files:wrong-length=1000000000 || fail "stand-in server"
standin_pid=$STANDIN_PID
expect_refused "another size than the signed one" "d.pak下载的文件校验失败,请关闭登录器稍后尝试!"
[ "$(grep -c 'GET /patch/d.pak' "$work/server.log")" = 1 ] || fail "the refused size was asked for again"
