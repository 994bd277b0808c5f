#!/usr/bin/env bash
# The trust cases of linux_trust.sh with the Windows launcher under Wine (the 32-bit product
# where this machine runs it, else the 64-bit build, see use_product_build): manifests checked
# through CNG, digests of the downloads, the swapped launcher refused, and a signed launcher
# update carried out by the update script under Wine's cmd.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
source "$here/../support/e2e_common.bash"
source "$here/trust_cases.bash"
maker=$(built_tool manifest-maker)

work=$(mktemp -d /tmp/trust-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
client=$work/client
launcher_name=launcher.exe
standin_pid=""
launcher_pid=""
stop_restarted() { stop_wineserver; }
cleanup() {
  stop_restarted
  for pid in "$launcher_pid" "$standin_pid"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
use_product_build
exe=$(windows_build launcher.exe)
test_client=$(windows_build test-client.exe)
[ -n "$exe" ] || { echo "SKIP: no ${windows_bits}-bit launcher.exe: build it first (./run build)"; exit 0; }
[ -n "$test_client" ] || { echo "SKIP: no ${windows_bits}-bit test-client.exe"; exit 0; }

mkdir -p "$client"
cp "$exe" "$client/$launcher_name"
cp "$test_client" "$client/Client.exe"
new_launcher=$work/DLQ-0.0.2.exe
relabel_launcher "$exe" "$new_launcher" 0.0.2
export TEST_CLIENT_RECORD
TEST_CLIENT_RECORD=$(windows_path "$work/record")

start_launcher() {  # log, options
  local log=$1
  shift
  (cd "$client" && exec "$wine" "$client/$launcher_name" --headless --endpoints "$(windows_path "$work/endpoints.ini")" \
    "$@") > "$log" 2>&1 &
  launcher_pid=$!
}
# Another program in the launcher's place: were it ever started, it would record the start.
write_payload() { cp "$test_client" "$1"; }

run_trust_cases
run_planted_file_case
