#!/usr/bin/env bash
# The stand-in server's flip-byte fault, which stands in for a party that alters answers on the
# way: exactly the byte at the offset changes, in whole answers and in ranges that cover it.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
source "$src/tests/support/e2e_common.bash"
work=$(mktemp -d /tmp/trust-tamper.XXXXXX)
trap 'standin_stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/standin.log" 2>/dev/null || true; exit 1; }

mkdir -p "$work/files"
head -c 5000 /dev/urandom > "$work/files/p.bin"
printf '<?xml version="1.0"?>\n<UpdateInfo><ServerList><S name="one"/></ServerList></UpdateInfo>\n' > "$work/m.xml"
standin_start "$work" --manifest "$work/m.xml" --primary-port 0 --secondary-port 0 --files "$work/files" \
  --files-port 0 --fault files:flip-byte=100 --fault primary:flip-byte=10
get() { curl -s --max-time 10 "$@"; }
# The differing bytes of file $1 and $2, as "offset(1-based) old new" lines.
differences() { cmp -l "$1" "$2" || true; }

get -o "$work/whole" "http://127.0.0.1:$port_files/p.bin"
[ "$(differences "$work/files/p.bin" "$work/whole" | awk '{print $1}')" = 101 ] || fail "whole file"
get -o "$work/range" -r 50-150 "http://127.0.0.1:$port_files/p.bin"
head -c 151 "$work/files/p.bin" | tail -c 101 > "$work/range_want"
[ "$(differences "$work/range_want" "$work/range" | awk '{print $1}')" = 51 ] || fail "range over the byte"
get -o "$work/after" -r 200-300 "http://127.0.0.1:$port_files/p.bin"
head -c 301 "$work/files/p.bin" | tail -c 101 | cmp - "$work/after" || fail "a range past the byte changed"
get -o "$work/manifest" "http://127.0.0.1:$port_primary/dlq/UpdateInfo_test.xml?t=1"
[ "$(differences "$work/m.xml" "$work/manifest" | awk '{print $1}')" = 11 ] || fail "manifest on the primary"
get -o "$work/manifest2" "http://127.0.0.1:$port_secondary/buding/dlq/UpdateInfo_test.xml?t=1"
cmp "$work/m.xml" "$work/manifest2" || fail "the secondary was altered too"
grep -q 'flipped=100' "$work/standin.log" || fail "the log does not say a byte was flipped"
echo "stand-in tampering: one byte flipped where asked, nothing else"
