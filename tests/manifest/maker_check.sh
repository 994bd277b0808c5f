#!/usr/bin/env bash
# The built manifest-maker checks a manifest it made (no problems, exit 0), then one broken
# in the manifest and in the folder (each problem at its line, exit 1); bad usage exits 2,
# --help 0 with the usage on standard output.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
source "$src/tests/support/e2e_common.bash"
maker=$(built_tool manifest-maker)
work=$(mktemp -d /tmp/maker-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; echo "--- output"; cat "$work/out" 2>/dev/null || true; exit 1; }

mkdir -p "$work/release/data" "$work/release/.svn"
printf 'abc' > "$work/release/a.txt"
head -c 4096 /dev/zero | tr '\0' 'z' > "$work/release/data/big.pak"
printf 'x' > "$work/release/.svn/entries"
printf '<UpdateInfo>\r\n<ServerList>\r\n<S name="one" Lip="127.0.0.1" Lport="7000" Mip="127.0.0.1" Mport="7001"/>\r\n</ServerList>\r\n<Launcher url="http://127.0.0.1/DLQ.exe" ver="0.0.2" sha256="%s"/>\r\n</UpdateInfo>\r\n' \
  "$(printf 'launcher' | sha256sum | cut -c1-64)" > "$work/old.xml"
"$maker" --keygen "$work/key.pem" --slot 2 > "$work/key.txt"
grep -q '^key2 = ' "$work/key.txt" || fail "--slot 2 printed no key2 line: $(cat "$work/key.txt")"
"$maker" --dir "$work/release" --base-url http://127.0.0.1:9/p --existing "$work/old.xml" --header-code '*.pak' \
  --sign "$work/key.pem" --out "$work/m.xml" 2> /dev/null

# 1. What the maker made passes, with the folder and the key.
"$maker" --check "$work/m.xml" --dir "$work/release" --public-key "$work/key.txt" > "$work/out" ||
  fail "a fresh manifest has problems (exit $?)"
grep -q "^$work/m.xml: 0 problems; 1 server line, 2 patches" "$work/out" || fail "summary"
grep -q 'signed by key' "$work/out" || fail "the verifying key is not named"

# 2. Broken: a server line without Lip (line 4), a file that changed after making (line 9),
# a patch added by hand with a name that leads out (line 10) and the signature.
sed -e 's/ Lip="127.0.0.1"//' -e 's|</PatchList>|<P name="..\\x" size="1" CheckCode="00" url="http://h/x"/></PatchList>|' \
  "$work/m.xml" > "$work/broken.xml"
printf 'abcd' > "$work/release/a.txt"
set +e
"$maker" --check "$work/broken.xml" --dir "$work/release" --public-key "$work/key.txt" --min-serial 99999999999 > "$work/out"
code=$?
set -e
[ "$code" = 1 ] || fail "exit code $code for a broken release"
b="$work/broken.xml"
for expected in "$b:2: serial " "$b:4: server line without Lip" "$b:8: size 3, but a.txt has 4 bytes" \
  "$b:8: CheckCode 900150983CD24FB0D6963F7D28E17F72, but a.txt has" "$b:10: name \"..\\x\" is unsafe" \
  "$b:10: CheckCode \"00\" is neither" "$b:10: patch entry without sha256" "signature of key"; do
  grep -qF "$expected" "$work/out" || fail "no line '$expected'"
done
grep -q "^$b: [0-9]* problems" "$work/out" || fail "no summary"
if grep -q 'svn' "$work/m.xml"; then fail "a hidden folder was published"; fi

# 3. Usage: bad options exit 2, --help 0.
set +e
"$maker" --check "$work/m.xml" --min-serial x > /dev/null 2>&1; [ $? = 2 ] || fail "--min-serial x"
"$maker" --check "$work/missing.xml" > /dev/null 2>&1; [ $? = 2 ] || fail "a missing manifest"
"$maker" --keygen "$work/k3.pem" --slot 3 > /dev/null 2>&1; [ $? = 2 ] || fail "--slot 3"
set -e
[ ! -e "$work/k3.pem" ] || fail "--slot 3 wrote a key"
"$maker" --help > "$work/out" || fail "--help exit code"
grep -q -- '--check MANIFEST' "$work/out" || fail "--help prints no usage"
echo "PASS"
