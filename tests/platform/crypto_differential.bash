# Sourced by crypto_openssl.sh and wine_crypto.sh: the platform's crypto (through crypto-check,
# run by the function `ours`, which takes host paths) against the openssl command line.
# Needs $work (a private folder) and `fail`.

# r||s in hex from a DER ECDSA signature file.
der_to_rs() {
  python3 - "$1" <<'PY'
import sys
d = open(sys.argv[1], 'rb').read()
assert d[0] == 0x30
i = 2 if d[1] < 0x80 else 3
out = b''
for _ in range(2):
    assert d[i] == 2
    n = d[i + 1]
    out += int.from_bytes(d[i + 2:i + 2 + n], 'big').to_bytes(32, 'big')
    i += 2 + n
print(out.hex())
PY
}
# The 65-byte uncompressed public point of a private key file, in hex.
public_hex() { openssl ec -in "$1" -pubout -outform DER 2>/dev/null | tail -c 65 | od -An -v -tx1 | tr -d ' \n'; }
# One byte of file $1 at offset $2 turned into its complement, written to $3.
flip_byte() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
data[int(sys.argv[2])] ^= 0xFF
open(sys.argv[3], 'wb').write(data)
PY
}
expect_verify() { # want key file signature what
  local got
  got=$(ours verify "$2" "$3" "$4" | tr -d '\r')
  [ "$got" = "$1" ] || fail "$5: crypto-check said '$got', expected '$1'"
}

run_differential() {
  local sizes=(0 1 55 64 1000 3000000) i=0 size msg key pub sig other_pub got want
  openssl ecparam -name prime256v1 -genkey -noout -out "$work/other.pem" 2>/dev/null
  other_pub=$(public_hex "$work/other.pem")
  for size in "${sizes[@]}"; do
    i=$((i + 1))
    msg=$work/msg$i
    head -c "$size" /dev/urandom > "$msg"
    key=$work/key$i.pem
    openssl ecparam -name prime256v1 -genkey -noout -out "$key" 2>/dev/null
    pub=$(public_hex "$key")
    [ ${#pub} = 130 ] || fail "no public point from openssl for key $i"
    openssl dgst -sha256 -sign "$key" -out "$work/sig$i.der" "$msg"
    sig=$(der_to_rs "$work/sig$i.der")

    # SHA-256 of the same bytes.
    got=$(ours sha256 "$msg" | tr -d '\r')
    want=$(sha256sum "$msg" | cut -d' ' -f1)
    [ "$got" = "$want" ] || fail "sha256 of $size bytes: ours $got, sha256sum $want"

    # Signed by openssl, verified by ours; then every kind of tampering refused.
    expect_verify valid "$pub" "$msg" "$sig" "openssl signature over $size bytes"
    if [ "$size" -gt 0 ]; then
      flip_byte "$msg" $((size / 2)) "$work/flipped$i"
      expect_verify invalid "$pub" "$work/flipped$i" "$sig" "message of $size bytes with a flipped byte"
    fi
    printf 'x' | cat "$msg" - > "$work/longer$i"
    expect_verify invalid "$pub" "$work/longer$i" "$sig" "message of $size bytes with a byte added"
    expect_verify invalid "$other_pub" "$msg" "$sig" "signature checked with another key"
    local bad=${sig:0:20}$(printf '%x' $(((0x${sig:20:1} + 1) % 16)))${sig:21}
    expect_verify invalid "$pub" "$msg" "$bad" "signature with one digit changed"
  done
  echo "differential: ${#sizes[@]} openssl signatures verified, every tampered variant refused"
}
