#!/usr/bin/env bash
# The Windows launcher (the 32-bit product, see use_product_build) under Wine, through WinINet:
# a primary answering a 32 MiB manifest of <a/> elements, with and without a key, and a primary
# that sends one header line every 8 s for ever. Each is given up as an unusable address (the
# second at the 30 s deadline) and the run goes on with the secondary's signed manifest.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/e2e_common.bash"
source "$here/support/bounds.bash"
maker=$(built_tool manifest-maker)
work=$(mktemp -d /tmp/wine_manifest_bounds.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
launcher_pid=
cleanup() {
  [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null || true
  standin_stop
  trickle_stop
  stop_wineserver
  rm -rf "$work"
}
trap cleanup EXIT
use_product_build
exe=${WINE_LAUNCHER:-$(windows_build launcher.exe)}
[ -n "$exe" ] || { echo "SKIP: no ${windows_bits}-bit launcher.exe built"; exit 0; }
fail() { echo "FAIL: $*"; echo "--- launcher"; cat "$work/out" || true; echo "--- server"; tail -5 "$work/standin.log" || true; exit 1; }

mkdir -p "$work/client"
cp "$exe" "$work/client/launcher.exe"
: > "$work/client/Client.exe"
bounds_manifests || fail "could not make the manifests"
standin_start "$work" --primary-manifest "$work/huge.xml" --secondary-manifest "$work/good.xml" \
  --primary-port 0 --secondary-port 0
trickle_start

run_launcher() {  # primary port, [keyed]
  bounds_endpoints "$1" "$port_secondary" ${2:-} > "$work/endpoints.ini"
  : > "$work/standin.log"
  timeout 240 "$wine" "$work/client/launcher.exe" --headless --auto-update \
    --endpoints "$(windows_path "$work/endpoints.ini")" > "$work/out" 2>&1 &
  launcher_pid=$!
  wait "$launcher_pid" && rc=0 || rc=$?
  launcher_pid=
  [ "$rc" = 124 ] && fail "the launcher did not end within 240 s"
  [ "$rc" = 0 ] || fail "launcher exit code $rc"
  grep -q 'secondary .*"GET /buding/dlq/UpdateInfo_test.xml?t=[0-9]* HTTP/1.0" -> 200' "$work/standin.log" ||
    fail "the secondary was not asked"
  if [ -s "$work/out" ]; then
    grep -q 'item added "second-line"' "$work/out" || fail "the secondary's line is not listed"
    grep -q '^message:' "$work/out" && fail "a message was shown"
  fi
  return 0
}

for keyed in "" keyed; do
  echo "== a 32 MiB primary, ${keyed:-no key}"
  run_launcher "$port_primary" $keyed
  grep -q 'primary .*"GET /dlq/UpdateInfo_test.xml' "$work/standin.log" || fail "the primary was not asked"
done
echo "== a primary that trickles its head"
run_launcher "$trickle_port" keyed
echo "wine manifest bounds through WinINet (${windows_bits}-bit build): passed"
