#!/usr/bin/env bash
# The x86_64 Windows build of launcher-fetch under wine64 fetches one file from two nginx
# mirrors on loopback; the first is stopped in the middle and the file completes byte for
# byte from the second.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
source "$src/tests/support/e2e_common.bash"
exe=${FETCH_EXE:-$(windows_build launcher-fetch.exe)}
[ -n "$exe" ] || { echo "SKIP: no x86_64 Windows build of launcher-fetch"; exit 0; }
require_wine
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
source "$src/tests/download/lib/nginx.bash"
work=$(mktemp -d /tmp/dl_wine_mirrors.XXXXXX)
run_pid=
cleanup() {
  [ -n "$run_pid" ] && kill -9 "$run_pid" 2>/dev/null || true
  nginx_mirrors_stop
  WINEPREFIX="$work/prefix" stop_wineserver
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_prefix_ready
nginx_mirrors_start 2m
first_dir=$MIRROR1_DIR first_port=$MIRROR1_PORT second_dir=$MIRROR2_DIR second_port=$MIRROR2_PORT
head -c $((32 * 1024 * 1024 + 777)) /dev/urandom >"$first_dir/www/file.bin"
cp -p "$first_dir/www/file.bin" "$second_dir/www/file.bin"
cp "$exe" "$work/launcher-fetch.exe"
winpath="Z:${work//\//\\}\\fetched.bin"

echo "== download from two mirrors under wine, the first stopped in the middle"
"$wine" "$work/launcher-fetch.exe" "http://127.0.0.1:$first_port/limited/file.bin" "$winpath" \
  --mirror "http://127.0.0.1:$second_port/limited/file.bin" >"$work/out.txt" 2>"$work/err.txt" &
run_pid=$!
for _ in $(seq 1 600); do
  got=$(grep -ao "^[0-9]*/" "$work/err.txt" 2>/dev/null | tail -1 | tr -d / || true)
  [ -n "$got" ] && [ "$got" -ge $((8 * 1024 * 1024)) ] && break
  kill -0 "$run_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$run_pid" || fail "the download ended before the first mirror was stopped: $(tail -3 "$work/err.txt")"
nginx_mirror1_stop
timeout 300 tail --pid="$run_pid" -f /dev/null
wait "$run_pid" || fail "launcher-fetch.exe ended with $?: $(tail -3 "$work/err.txt")"
run_pid=
grep -a "RESULT 3" "$work/out.txt"
cmp "$second_dir/www/file.bin" "$work/fetched.bin" || fail "file differs"
[ ! -e "$work/fetched.bin.tmp.work" ] || fail "state file left"
ranged=$(grep -c 'bytes=' "$second_dir/logs/bytes.log" || true)
[ "$ranged" -ge 3 ] || fail "only $ranged ranged requests reached the second mirror"
echo "wine mirror download passed ($ranged ranged requests at the second mirror)"
