#!/usr/bin/env bash
# The Linux launcher, with and without a key, against a primary that answers a 32 MiB manifest
# of <a/> elements: the answer is refused as it arrives and the run goes on with the secondary.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/e2e_common.bash"
source "$here/support/instance.sh"
source "$here/support/bounds.bash"
maker=$(built_tool manifest-maker)
work=$(mktemp -d)
trap 'standin_stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/out" "$work/client/launcher.log" || true; exit 1; }
mkdir -p "$work/client"
touch "$work/client/Client.exe"
bounds_manifests || fail "could not make the manifests"
standin_start "$work" --primary-manifest "$work/huge.xml" --secondary-manifest "$work/good.xml" \
  --primary-port 0 --secondary-port 0
for keyed in "" keyed; do
  bounds_endpoints "$port_primary" "$port_secondary" $keyed > "$work/endpoints.ini"
  rm -f "$work/client/launcher.log"
  launcher_wait_alone
  timeout 120 "$LAUNCHER_BUILD/launcher" --headless --auto-update --run-dir "$work/client" \
    --endpoints "$work/endpoints.ini" > "$work/out" 2>&1 || fail "launcher exit code $? (${keyed:-no key})"
  grep -q "port $port_primary failed: answer larger than a manifest may be" "$work/client/launcher.log" ||
    fail "the primary's answer was not refused as too large (${keyed:-no key})"
  grep -q 'item added "second-line"' "$work/out" || fail "the secondary's line is not listed (${keyed:-no key})"
done
echo "launcher manifest bounds: a huge primary is refused, the secondary used"
