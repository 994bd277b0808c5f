#!/usr/bin/env bash
# The [trust] section of config/operator.ini as the build reads it (cmake/operator_config.cmake,
# run in a throw-away project): keys in base64 or hex reach the generated header; a malformed
# key, an unknown "required" value and "required = yes" without a key stop the configuration.
# The serial floor: min_serial as given, else with a key the configure time, else none.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
source "$src/tests/support/e2e_common.bash"
work=$(mktemp -d /tmp/trust-build-keys.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/out" 2>/dev/null || true; exit 1; }

mkdir -p "$work/config"
printf 'cmake_minimum_required(VERSION 3.20)\nproject(keys NONE)\ninclude(%s/cmake/operator_config.cmake)\n' "$src" \
  > "$work/CMakeLists.txt"
"$(built_tool manifest-maker)" --keygen "$work/key.pem" > "$work/key.txt"
b64=$(sed -n 's/^key1 = //p' "$work/key.txt")
hex=04$(printf 'ab%.0s' $(seq 64))
configure() {  # key1 key2 required [min_serial] -> exit status of the configuration
  python3 - "$src/config/operator.ini" "$work/config/operator.ini" "$@" "${4:-}" <<'PY'
import re, sys
source, target, key1, key2, required, min_serial = sys.argv[1:7]
text = open(source).read()
for name, value in (("key1", key1), ("key2", key2), ("required", required), ("min_serial", min_serial)):
    text, n = re.subn(r"(?m)^%s *=.*$" % name, "%s = %s" % (name, value), text)
    assert n == 1, name
open(target, "w").write(text)
PY
  rm -rf "$work/b"
  cmake -S "$work" -B "$work/b" > "$work/out" 2>&1
}
header() { grep -F "$1" "$work/b/generated/operator_config.h"; }

configure "$b64" "$hex" "" || fail "two good keys were refused"
header "kTrustKey1 = \"$b64\";" > /dev/null || fail "key1 did not reach the header"
header "kTrustKey2 = \"$hex\";" > /dev/null || fail "key2 did not reach the header"
configure "" "" "" || fail "no keys were refused"
header 'kTrustKey1 = "";' > /dev/null || fail "an empty key1 is not empty in the header"
configure "$b64" "" "no" || fail "required = no was refused"

for bad in "${b64:1}" "${hex:0:128}" "02${hex:2}" "${hex/ab/zz}"; do
  if configure "$bad" "" ""; then fail "the key '$bad' was accepted"; fi
  grep -q "'trust.key1'" "$work/out" || fail "no message names trust.key1"
done
if configure "" "" "yes"; then fail "required = yes without a key was accepted"; fi
grep -q "no key is set" "$work/out" || fail "no message for required without a key"
if configure "$b64" "" "maybe"; then fail "required = maybe was accepted"; fi
before=$(date +%s)
configure "$b64" "" "" || fail "a key without min_serial was refused"
floor=$(sed -n 's/.*kTrustMinSerial = \([0-9]*\)ULL;.*/\1/p' "$work/b/generated/operator_config.h")
[ -n "$floor" ] && [ "$floor" -ge "$before" ] && [ "$floor" -le "$(date +%s)" ] ||
  fail "a keyed build's floor is not its configure time: '$floor'"
configure "$b64" "" "" 1700000000 || fail "min_serial was refused"
header 'kTrustMinSerial = 1700000000ULL;' > /dev/null || fail "min_serial did not reach the header"
configure "" "" "" || fail "no keys were refused"
header 'kTrustMinSerial = 0ULL;' > /dev/null || fail "a build without a key has a floor"
for bad in -1 12a 1234567890123456789; do
  if configure "$b64" "" "" "$bad"; then fail "min_serial '$bad' was accepted"; fi
  grep -q "'trust.min_serial'" "$work/out" || fail "no message names trust.min_serial"
done
echo "build keys: good keys reach the header, bad ones stop the configuration"
