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
  if [ -z "$exe" ] && [ -f "$c" ]; then exe=$c; fi
done
[ -n "$exe" ] || { echo "SKIP: no i686 Windows build of launcher-fetch (build/win32)"; exit 0; }
[ -x "$wine32" ] || { echo "SKIP: $wine32 (wine32) is not installed"; exit 0; }
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
source "$src/tests/download/lib/nginx.bash"
work=$(mktemp -d /tmp/dl_wine32.XXXXXX)
cleanup() {
  nginx_stop
  # Each prefix's wineserver lingers a few seconds after its last program and still writes
  # there: stop it and wait for it before the folder goes.
  local server prefix
  server=$(command -v wineserver || echo /usr/lib/wine/wineserver)
  for prefix in "$work"/prefix_*; do
    [ -d "$prefix" ] || continue
    WINEPREFIX=$prefix "$server" -k 2>/dev/null || true
    WINEPREFIX=$prefix "$server" -w 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

nginx_start 1024m
size=$((1536 * 1024 * 1024))
file="$NGINX_DIR/www/big.bin"
truncate -s "$size" "$file"
for mib in 0 1 255 511 700 1023 1024 1300 1535; do
  head -c 65536 /dev/urandom | dd of="$file" bs=65536 iflag=fullblock seek=$((mib * 1048576 + 4093)) oflag=seek_bytes conv=notrunc status=none
done
head -c 777 /dev/urandom | dd of="$file" bs=777 iflag=fullblock seek=$((size - 777)) oflag=seek_bytes conv=notrunc status=none

# Downloads the file with loader $1 running program $2 in its own prefix, and checks it.
download_with() {
  local loader=$1 program=$2 name=$3
  export WINEPREFIX="$work/prefix_$name"
  cp "$program" "$work/fetch_$name.exe"
  local winpath="Z:${work//\//\\}\\big_$name.bin"
  timeout 150 "$loader" "$work/fetch_$name.exe" "http://127.0.0.1:$NGINX_PORT/big.bin?t=1" "$winpath" \
    >"$work/out_$name.txt" 2>&1 || { tail -5 "$work/out_$name.txt"; echo "FAIL: $name launcher-fetch.exe under wine"; exit 1; }
  grep -a "RESULT" "$work/out_$name.txt"
  cmp "$file" "$work/big_$name.bin" || { echo "FAIL: the file downloaded by the $name build differs"; exit 1; }
  [ ! -e "$work/big_$name.bin.tmp.work" ] || { echo "FAIL: state file left by the $name build"; exit 1; }
  rm -f "$work/big_$name.bin"
}

# The first start creates the prefix; a loader that cannot run 32-bit programs fails here
# (a kernel without 32-bit support, for one).
export WINEPREFIX="$work/prefix_i686"
if "$wine32" "$exe" >"$work/usage.txt" 2>&1 || grep -q "usage: launcher-fetch" "$work/usage.txt"; then
  echo "== 1.5 GiB by the i686 build under the 32-bit loader"
  download_with "$wine32" "$exe" i686
  echo "32-bit large-file download passed"
  exit 0
fi
echo "SKIP: $wine32 cannot run 32-bit programs here: $(head -c 200 "$work/usage.txt")"
# The same file through the same Windows write path, by the x86_64 build under wine64.
exe64=$(windows_build launcher-fetch.exe)
wine=$(command -v wine64 || command -v /usr/lib/wine/wine64 || true)
if [ -n "$exe64" ] && [ -n "$wine" ]; then
  echo "== 1.5 GiB by the x86_64 build under wine64 instead"
  download_with "$wine" "$exe64" x86_64
  echo "large-file download by the x86_64 build passed (the 32-bit leg was skipped)"
fi
