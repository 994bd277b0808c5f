#!/usr/bin/env bash
# The 32-bit Windows build of launcher-fetch under the 32-bit wine loader downloads a 1.5 GiB
# file from nginx on loopback, byte for byte: far more than a 32-bit process could map in one
# view. The source is sparse, with random blocks at scattered offsets so that a byte stored
# at the wrong place shows.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
source "$src/tests/support/e2e_common.bash"
wine32=/usr/lib/wine/wine
exe=${FETCH32_EXE:-}
for c in "${LAUNCHER_DIST:-$src/dist}/win32/launcher-fetch.exe" "$src/build/win32/tools/launcher-fetch.exe"; do
  [ -z "$exe" ] && [ -f "$c" ] && exe=$c
done
[ -n "$exe" ] || { echo "SKIP: no i686 Windows build of launcher-fetch (build/win32)"; exit 0; }
[ -x "$wine32" ] || { echo "SKIP: $wine32 (wine32) is not installed"; exit 0; }
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
source "$src/tests/download/lib/nginx.bash"
work=$(mktemp -d /tmp/dl_wine32.XXXXXX)
cleanup() {
  nginx_stop
  rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cp "$exe" "$work/launcher-fetch.exe"

# The first start creates the prefix; a loader that cannot run 32-bit programs fails here.
"$wine32" "$work/launcher-fetch.exe" >"$work/usage.txt" 2>&1 || true
grep -q "usage: launcher-fetch" "$work/usage.txt" || {
  cat "$work/usage.txt"
  echo "SKIP: $wine32 cannot run 32-bit programs here"
  exit 0
}

nginx_start 1024m
size=$((1536 * 1024 * 1024))
file="$NGINX_DIR/www/big.bin"
truncate -s "$size" "$file"
for mib in 0 1 255 511 700 1023 1024 1300 1535; do
  head -c 65536 /dev/urandom | dd of="$file" bs=65536 iflag=fullblock seek=$((mib * 1048576 + 4093)) oflag=seek_bytes conv=notrunc status=none
done
head -c 777 /dev/urandom | dd of="$file" bs=777 iflag=fullblock seek=$((size - 777)) oflag=seek_bytes conv=notrunc status=none
winpath="Z:${work//\//\\}\\big.bin"

echo "== 1.5 GiB under the 32-bit loader"
timeout 150 "$wine32" "$work/launcher-fetch.exe" "http://127.0.0.1:$NGINX_PORT/big.bin?t=1" "$winpath" \
  >"$work/out.txt" 2>&1 || { tail -5 "$work/out.txt"; echo "FAIL: launcher-fetch.exe (i686) under wine"; exit 1; }
grep -a "RESULT" "$work/out.txt"
cmp "$file" "$work/big.bin" || { echo "FAIL: the downloaded file differs"; exit 1; }
[ ! -e "$work/big.bin.tmp.work" ] || { echo "FAIL: state file left"; exit 1; }
echo "32-bit large-file download passed"
