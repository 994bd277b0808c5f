#!/usr/bin/env bash
# One 256 MiB file on two nginx mirrors on loopback: the first is stopped while the download
# runs, the file completes byte-identical from the second. Once with launcher-fetch, once with
# the headless launcher updating a client folder from a manifest that names the mirror.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
source "$src/tests/support/e2e_common.bash"
source "$src/tests/download/lib/nginx.bash"
source "$src/tests/manifest/support/instance.sh"
fetch=$build/tools/launcher-fetch
maker=$(built_tool manifest-maker)
launcher=${LAUNCHER_DIST:-$build/none}/linux/launcher
[ -x "$launcher" ] || launcher=$build/launcher
[ -x "$fetch" ] || { echo "missing $fetch"; exit 1; }
work=$(mktemp -d /tmp/dl_mirrors.XXXXXX)
run_pid= standin_pid=
cleanup() {
  [ -n "$run_pid" ] && kill -9 "$run_pid" 2>/dev/null || true
  [ -n "$standin_pid" ] && { kill "$standin_pid" 2>/dev/null || true; wait "$standin_pid" 2>/dev/null || true; }
  nginx_mirrors_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Two servers, each connection paced to 8 MiB/s: about five seconds for the file over five connections.
nginx_mirrors_start 8m
first_dir=$MIRROR1_DIR first_port=$MIRROR1_PORT second_dir=$MIRROR2_DIR second_port=$MIRROR2_PORT
head -c $((256 * 1024 * 1024)) /dev/urandom >"$first_dir/www/file.bin"
# A mirror copy keeps the file's modification time, so both name the same version.
cp -p "$first_dir/www/file.bin" "$second_dir/www/file.bin"
first="http://127.0.0.1:$first_port/limited"
second="http://127.0.0.1:$second_port/limited"
second_requests() { grep -c '^/limited/file.bin' "$second_dir/logs/bytes.log" 2>/dev/null || true; }

# Waits until the download whose progress goes to $1 has $2 bytes, while process $run_pid runs.
wait_for_bytes() {
  local log=$1 want=$2 got
  for _ in $(seq 1 600); do
    got=$(grep -o '^[0-9]*/' "$log" 2>/dev/null | tail -1 | tr -d /)
    [ -n "$got" ] && [ "$got" -ge "$want" ] && return 0
    kill -0 "$run_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

echo "== launcher-fetch: the first mirror stops in the middle"
"$fetch" "$first/file.bin?t=1" "$work/fetched.bin" --mirror "$second/file.bin?t=1" >"$work/fetch.out" 2>"$work/fetch.err" &
run_pid=$!
wait_for_bytes "$work/fetch.err" $((64 * 1024 * 1024)) || fail "the download did not get going: $(tail -3 "$work/fetch.err")"
kill -0 "$run_pid" || fail "the download ended before the first mirror was stopped"
nginx_mirror1_stop
wait "$run_pid" || fail "launcher-fetch ended with $?: $(tail -3 "$work/fetch.err")"
run_pid=
cmp "$second_dir/www/file.bin" "$work/fetched.bin" || fail "the file differs"
[ ! -e "$work/fetched.bin.tmp.work" ] || fail "state file left after completion"
# The first mirror's connections moved to the second one and went on from where they stopped.
after=$(second_requests)
echo "second mirror: $after requests"
# Two connections were sent there from the start: more mean the first mirror's moved over.
[ "$after" -ge 3 ] || fail "nothing moved to the second mirror ($after requests)"
if grep '^/limited/file.bin' "$second_dir/logs/bytes.log" | grep -q '"-"$'; then
  fail "a request without a range reached the second mirror"
fi

echo "== the launcher: a manifest naming the mirror, the first one stops in the middle"
nginx_mirror1_start 8m
first_dir=$MIRROR1_DIR first_port=$MIRROR1_PORT
first="http://127.0.0.1:$first_port/limited"
mkdir -p "$work/release" "$work/client"
mv "$second_dir/www/file.bin" "$work/release/big.pak"
cp -p "$work/release/big.pak" "$first_dir/www/big.pak"
cp -p "$work/release/big.pak" "$second_dir/www/big.pak"
: >"$work/client/Client.exe"
cp "$launcher" "$work/client/launcher"
write_template "$work/template.xml"
"$maker" --dir "$work/release" --base-url "$first" --mirror "$second" --existing "$work/template.xml" \
  --out "$work/manifest.xml"
grep -F "<MirrorList base=\"$first\">" "$work/manifest.xml"
grep -F "<Mirror base=\"$second\"/>" "$work/manifest.xml"
mkdir -p "$work/empty"
start_standin "$work/manifest.xml" "$work/empty" "$work/standin.log"
write_endpoints "$work/endpoints.ini"
launcher_wait_alone
"$work/client/launcher" --headless --endpoints "$work/endpoints.ini" --auto-update >"$work/run.log" 2>&1 &
run_pid=$!
tmp=$work/client/DownloadCache/big.pak.tmp
for _ in $(seq 1 600); do [ -s "$tmp.work" ] && break; sleep 0.1; done
[ -s "$tmp.work" ] || fail "no download state after a minute: $(tail -5 "$work/run.log")"
sleep 2  # well inside the file: it takes about five seconds
kill -0 "$run_pid" || fail "the launcher ended before the first mirror was stopped"
[ ! -e "$work/client/big.pak" ] || fail "the patch was in place before the first mirror was stopped"
nginx_mirror1_stop
timeout 300 tail --pid="$run_pid" -f /dev/null
wait "$run_pid" || true
run_pid=
grep -F '"更新完毕, 祝你游戏愉快！"' "$work/run.log" || { tail -20 "$work/run.log"; fail "the update did not finish"; }
cmp "$work/release/big.pak" "$work/client/big.pak" || fail "the installed patch differs"
[ -z "$(ls -A "$work/client/DownloadCache")" ] || fail "the download cache is not empty"
after=$(grep -c '^/limited/big.pak' "$second_dir/logs/bytes.log" || true)
echo "second mirror: $after requests"
# Two connections were sent there from the start: more mean the first mirror's moved over.
[ "$after" -ge 3 ] || fail "nothing moved to the second mirror ($after requests)"
grep -E " download \"http://127\.0\.0\.1:$first_port/limited/big\.pak\" to .*: complete, 268435456 of 268435456 bytes" \
  "$work/client/launcher.log" || fail "support log: $(grep download "$work/client/launcher.log")"
# The log names both sources with the bytes each served, and the stopped one as left.
for source in "$first" "$second"; do
  grep -E " download from \"$source/big\.pak\": [1-9][0-9]* bytes" "$work/client/launcher.log" ||
    fail "support log does not name $source: $(grep download "$work/client/launcher.log")"
done
[ "$(grep -cF " download left \"$first/big.pak\": " "$work/client/launcher.log")" = 1 ] ||
  fail "support log: the stopped source was not left once: $(grep ' download left ' "$work/client/launcher.log")"
echo "all mirror cases passed"
