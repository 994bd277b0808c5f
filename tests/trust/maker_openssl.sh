#!/usr/bin/env bash
# manifest-maker's keys and signatures against the openssl command line (the other way round
# from tests/platform/crypto_openssl.sh): openssl reads the key --keygen wrote and finds the
# public key it printed; a manifest signed with --sign verifies with openssl over exactly the
# bytes before the signature comment, and not over any other bytes.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
source "$src/tests/support/e2e_common.bash"
work=$(mktemp -d /tmp/trust-maker-openssl.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v openssl >/dev/null || { echo "SKIP: no openssl command"; exit 0; }
maker=$(built_tool manifest-maker)

"$maker" --keygen "$work/key.pem" > "$work/key.txt"
printed=$(sed -n 's/^key1 = //p' "$work/key.txt")
ours=$(openssl pkey -in "$work/key.pem" -pubout -outform DER | tail -c 65 | base64 -w0)
[ "$printed" = "$ours" ] || fail "printed key $printed, openssl finds $ours"
[ "$(stat -c %a "$work/key.pem")" = 600 ] || fail "the private key file is readable by others"
"$maker" --public-key "$work/key.pem" | grep -qxF "key1 = $printed" || fail "--public-key differs from --keygen"
openssl pkey -in "$work/key.pem" -pubout -out "$work/pub.pem"

mkdir -p "$work/release"
head -c 10000 /dev/urandom > "$work/release/a.pak"
printf '<UpdateInfo><ServerList><S name="one"/></ServerList></UpdateInfo>' > "$work/old.xml"
"$maker" --dir "$work/release" --base-url http://files --existing "$work/old.xml" --sign "$work/key.pem" \
  --out "$work/m.xml" 2>/dev/null
python3 - "$work/m.xml" "$work" <<'PY'
import base64, sys
data = open(sys.argv[1], 'rb').read()
cut = data.rindex(b'<!-- signature ')
open(sys.argv[2] + '/body', 'wb').write(data[:cut])
open(sys.argv[2] + '/body_changed', 'wb').write(data[:cut - 3] + b'X' + data[cut - 2:cut])
rs = base64.b64decode(data[cut:].split(b'value=')[1].split(b' ')[0])
def der_int(b):
    b = b.lstrip(b'\0') or b'\0'
    if b[0] & 0x80: b = b'\0' + b
    return b'\x02' + bytes([len(b)]) + b
seq = der_int(rs[:32]) + der_int(rs[32:])
open(sys.argv[2] + '/sig.der', 'wb').write(b'\x30' + bytes([len(seq)]) + seq)
PY
openssl dgst -sha256 -verify "$work/pub.pem" -signature "$work/sig.der" "$work/body" | grep -q 'Verified OK' ||
  fail "openssl does not verify the maker's signature"
if openssl dgst -sha256 -verify "$work/pub.pem" -signature "$work/sig.der" "$work/body_changed" >/dev/null 2>&1; then
  fail "openssl verified the signature over changed bytes"
fi
# The key id is the first 8 bytes of SHA-256 of the 65-byte point.
want_id=$(openssl pkey -in "$work/key.pem" -pubout -outform DER | tail -c 65 | sha256sum | cut -c1-16)
grep -q "<!-- signature key=$want_id value=" "$work/m.xml" || fail "key id is not $want_id"
echo "maker against openssl: key, public key, key id and signature agree"
