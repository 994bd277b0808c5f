#!/usr/bin/env bash
# The Linux launcher, with and without a key, against a primary that answers a 32 MiB manifest
# of <a/> elements: the answer is refused as an unusable address and the run goes on with the
# secondary's signed manifest, without a crash or a message.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/e2e_common.bash"
source "$here/support/instance.sh"
source "$here/support/bounds.bash"
launcher=${LAUNCHER_BUILD:?}/launcher
maker=$(built_tool manifest-maker)
work=$(mktemp -d)
trap 'standin_stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; echo "--- launcher"; cat "$work/out" || true; echo "--- server"; tail -5 "$work/standin.log" || true; exit 1; }
mkdir -p "$work/client"
touch "$work/client/Client.exe"
bounds_manifests || fail "could not make the manifests"
standin_start "$work" --primary-manifest "$work/huge.xml" --secondary-manifest "$work/good.xml" \
  --primary-port 0 --secondary-port 0

for keyed in "" keyed; do
  echo "== a 32 MiB primary, ${keyed:-no key}"
  bounds_endpoints "$port_primary" "$port_secondary" $keyed > "$work/endpoints.ini"
  : > "$work/standin.log"
  launcher_wait_alone
  rc=0
  timeout 120 "$launcher" --headless --auto-update --run-dir "$work/client" --endpoints "$work/endpoints.ini" \
    > "$work/out" 2>&1 || rc=$?
  [ "$rc" = 0 ] || fail "launcher exit code $rc"
  grep -q 'primary .*"GET /dlq/UpdateInfo_test.xml' "$work/standin.log" || fail "the primary was not asked"
  grep -q 'secondary .*"GET /buding/dlq/UpdateInfo_test.xml' "$work/standin.log" || fail "the secondary was not asked"
  grep -q 'item added "second-line"' "$work/out" || fail "the secondary's line is not listed"
  grep -q '^message:' "$work/out" && fail "a message was shown"
  # Refused as it arrived, not read whole and found wanting.
  grep -q "port $port_primary failed: answer larger than a manifest may be" "$work/client/launcher.log" ||
    fail "the support log does not say the primary's answer was too large"
  rm -f "$work/client/launcher.log"
done
echo "launcher manifest bounds: a huge primary is refused, the secondary used"
