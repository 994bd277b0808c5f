#!/usr/bin/env bash
# launcher-fetch against real nginx on loopback: a fresh download, a redirect, downloads
# killed (SIGKILL) at several moments and resumed to an identical file, a stale .tmp without
# its state file, and a state file with a flipped byte.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
fetch=${LAUNCHER_BUILD:?}/tools/launcher-fetch
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
[ -x "$fetch" ] || { echo "missing $fetch"; exit 1; }
source "$src/tests/download/lib/nginx.bash"
work=$(mktemp -d /tmp/dl_e2e.XXXXXX)
fetch_pid=
cleanup() {
  [ -n "$fetch_pid" ] && kill -9 "$fetch_pid" 2>/dev/null || true
  nginx_stop
  rm -rf "$work"
}
trap cleanup EXIT
nginx_start 2m
head -c $((24 * 1024 * 1024 + 12345)) /dev/urandom >"$NGINX_DIR/www/file.bin"
base="http://127.0.0.1:$NGINX_PORT"
fail() { echo "FAIL: $*"; exit 1; }

echo "== fresh download"
"$fetch" "$base/file.bin?t=1" "$work/fresh.bin" >/dev/null 2>&1 || fail "fresh download"
cmp "$NGINX_DIR/www/file.bin" "$work/fresh.bin" || fail "fresh download differs"
[ ! -e "$work/fresh.bin.tmp.work" ] || fail "state file left after completion"

echo "== redirect"
"$fetch" "$base/redirect.bin" "$work/redirected.bin" >/dev/null 2>&1 || fail "redirect"
cmp "$NGINX_DIR/www/file.bin" "$work/redirected.bin" || fail "redirected download differs"

echo "== killed and resumed"
# Five connections of 2 MiB/s each: about 2.4 s for the file.
for delay in 0.05 0.6 1.3 2.0; do
  target="$work/killed_$delay.bin"
  "$fetch" "$base/limited/file.bin" "$target" >/dev/null 2>&1 &
  fetch_pid=$!
  sleep "$delay"
  kill -9 "$fetch_pid" 2>/dev/null || true
  wait "$fetch_pid" 2>/dev/null || true
  fetch_pid=
  "$fetch" "$base/limited/file.bin" "$target" >/dev/null 2>&1 || fail "resume after kill at ${delay}s"
  cmp "$NGINX_DIR/www/file.bin" "$target" || fail "resumed download (killed at ${delay}s) differs"
done

echo "== stale .tmp without its state file"
head -c 1000 /dev/urandom >"$work/stale.bin.tmp"
"$fetch" "$base/file.bin" "$work/stale.bin" >/dev/null 2>&1 || fail "stale tmp"
cmp "$NGINX_DIR/www/file.bin" "$work/stale.bin" || fail "download after a stale tmp differs"

echo "== state file with a flipped byte"
target="$work/flipped.bin"
"$fetch" "$base/limited/file.bin" "$target" >/dev/null 2>&1 &
fetch_pid=$!
sleep 1.5
kill -9 "$fetch_pid"
wait "$fetch_pid" 2>/dev/null || true
fetch_pid=
[ -s "$target.tmp.work" ] || fail "no state file after 1.5 s"
# Flip one bit of the first segment's received count and scribble over the data file.
byte=$(od -An -tu1 -j36 -N1 "$target.tmp.work" | tr -d ' ')
printf "\\x$(printf %02x $((byte ^ 1)))" | dd of="$target.tmp.work" bs=1 seek=36 conv=notrunc status=none
head -c "$(stat -c %s "$target.tmp")" /dev/zero | tr '\0' 'z' >"$target.tmp"
"$fetch" "$base/file.bin" "$target" >/dev/null 2>&1 || fail "download after a refused state file"
cmp "$NGINX_DIR/www/file.bin" "$target" || fail "download after a refused state file differs"
echo "all nginx download cases passed"
