#!/usr/bin/env bash
# The x86_64 Windows build of launcher-fetch under wine64 (Winsock, CreateFileMapping,
# MsgWaitForMultipleObjects) downloads a file from nginx on loopback, byte for byte.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
source "$src/tests/support/e2e_common.bash"
exe=${FETCH_EXE:-$(windows_build launcher-fetch.exe)}
[ -n "$exe" ] || { echo "SKIP: no x86_64 Windows build of launcher-fetch"; exit 0; }
require_wine
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
source "$src/tests/download/lib/nginx.bash"
work=$(mktemp -d /tmp/dl_wine.XXXXXX)
cleanup() {
  nginx_stop
  WINEPREFIX="$work/prefix" stop_wineserver
  rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_prefix_ready
nginx_start 4m
head -c $((6 * 1024 * 1024 + 777)) /dev/urandom >"$NGINX_DIR/www/file.bin"
cp "$exe" "$work/launcher-fetch.exe"
winpath="Z:${work//\//\\}\\fetched.bin"

echo "== download under wine"
timeout 300 "$wine" "$work/launcher-fetch.exe" "http://127.0.0.1:$NGINX_PORT/limited/file.bin" "$winpath" \
  >"$work/out.txt" 2>&1 || { cat "$work/out.txt"; echo "FAIL: launcher-fetch.exe under wine"; exit 1; }
grep -a "RESULT" "$work/out.txt"
cmp "$NGINX_DIR/www/file.bin" "$work/fetched.bin" || { echo "FAIL: file differs"; exit 1; }
[ ! -e "$work/fetched.bin.tmp.work" ] || { echo "FAIL: state file left"; exit 1; }
# Five connections took part: the ranged requests show in nginx's log.
ranged=$(grep -c 'bytes=' "$NGINX_DIR/logs/bytes.log" || true)
[ "$ranged" -ge 4 ] || { echo "FAIL: only $ranged ranged requests"; exit 1; }
echo "wine download passed ($ranged ranged requests)"
