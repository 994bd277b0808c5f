#!/usr/bin/env bash
# The headless Linux launcher updates large files by their chunk indexes, against two nginx of
# our own on loopback (the manifest comes from the stand-in server):
#   1. version 1 of three files to version 2 (edits, an insertion, unrelated content): each file
#      byte for byte, nginx's bytes per file within bounds, the launcher's note on each;
#   2. a run killed (SIGKILL) in the middle of a rate-limited delta: the next run completes it,
#      and both runs together fetch little more than one uninterrupted delta of the same update;
#   3. a launcher that trusts a signing key: indexes tampered with on the server are refused
#      (the files are fetched whole), and wrong bytes in the ranges from the first source of the
#      entry's mirror list fail them; both files end right.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
source "$here/../support/e2e_common.bash"
source "$here/../download/lib/nginx.bash"
source "$here/../manifest/support/instance.sh"
maker=$(built_tool manifest-maker)
launcher=${LAUNCHER_DIST:-$build/none}/linux/launcher
[ -x "$launcher" ] || launcher=$build/launcher
source "$here/delta_release.bash"

work=$(mktemp -d /tmp/delta-linux.XXXXXX)
client=$work/client
standin_pid="" launcher_pid=""
cleanup() {
  [ -n "$launcher_pid" ] && { kill -9 "$launcher_pid" 2>/dev/null || true; wait "$launcher_pid" 2>/dev/null || true; }
  [ -n "$standin_pid" ] && { kill "$standin_pid" 2>/dev/null || true; wait "$standin_pid" 2>/dev/null || true; }
  nginx_stop
  nginx_mirrors_stop
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  grep -F -e ' delta' -e ' download' -e ' refused' "$client/launcher.log" 2>/dev/null | tail -30 || true
  exit 1
}

# The files come from under /limited/, each connection paced to 8 MiB/s (five of them make a
# fast home line): nginx's log tells, per request, what it sent. The second nginx lies in step
# 3. The killed run has an nginx of its own, paced to 128 KiB/s a connection.
nginx_mirrors_start 8m
www=$MIRROR1_DIR/www log=$MIRROR1_DIR/logs/bytes.log base="http://127.0.0.1:$MIRROR1_PORT/limited"
liar_www=$MIRROR2_DIR/www liar_log=$MIRROR2_DIR/logs/bytes.log liar_base="http://127.0.0.1:$MIRROR2_PORT/limited"
rate_bytes=131072
nginx_start 128k
slow_www=$NGINX_DIR/www slow_log=$NGINX_DIR/logs/bytes.log slow_base="http://127.0.0.1:$NGINX_PORT"

mkdir -p "$client" "$work/empty"
: > "$client/Client.exe"
cp "$launcher" "$client/launcher"
make_versions "$work/v1" "$www/v2"
cp "$work/v1"/*.pak "$client/"
write_template "$work/template.xml"
make_delta_manifest "$www/v2" "$base/v2" "$work/manifest.xml"
start_standin "$work/manifest.xml" "$work/empty" "$work/standin.log"
write_endpoints "$work/endpoints.ini"

# Each run's notes are read from a launcher.log of its own: the one before is moved aside.
fresh_support_log() { [ ! -e "$1/launcher.log" ] || mv "$1/launcher.log" "$1/launcher.log.$(date +%s%N)"; }
run_launcher() {  # client folder, log, endpoints file: the launcher ends by itself, having finished
  local code=0
  launcher_wait_alone
  fresh_support_log "$1"
  timeout 120 "$1/launcher" --headless --endpoints "${3:-$work/endpoints.ini}" --auto-update > "$2" 2>&1 || code=$?
  [ "$code" = 0 ] || fail "the launcher ended with $code: $(tail -5 "$2")"
  grep -qF '"更新完毕, 祝你游戏愉快！"' "$2" || fail "the update did not finish: $(tail -5 "$2")"
}

echo "1. version 1 to version 2"
fetch=$(built_tool launcher-fetch)
measure_whole_reference "$log" "$www/v2" /limited "$base" "$work/ref.bin" "$fetch" ||
  fail "the reference whole download"
run_launcher "$client" "$work/run1.log"
check_delta_update "$work/v1" "$www/v2" /limited/v2 "$log" || fail "the update to version 2"

echo "2. a run killed in the middle of a delta resumes it"
mkdir -p "$www/v3"
python3 "$versions" derive "$www/v2/a.pak" "$www/v3/a.pak" 31 --insert 0.5:3145728 --edits 4 > /dev/null
make_delta_manifest "$www/v3" "$base/v3" "$work/manifest.xml"
cp -pr "$www/v3" "$slow_www/v3"
# The same update from the faster server, uninterrupted, in a copy of the client folder: what
# one delta costs.
cp -a "$client" "$work/reference"
run_launcher "$work/reference" "$work/run2_reference.log"
cmp "$slow_www/v3/a.pak" "$work/reference/a.pak" || fail "the reference update of a.pak differs"
one_delta=$(($(sent_bytes "$log" /limited/v3/a.pak) + $(sent_bytes "$log" /limited/v3/a.pak.chunks)))
reference_line=$(grep -F ' delta "a.pak": reused ' "$work/reference/launcher.log" || true)
[ -n "$reference_line" ] || fail "the reference update was no delta"
echo "reference: ${reference_line#* }"
make_delta_manifest "$slow_www/v3" "$slow_base/limited/v3" "$work/manifest.xml"
launcher_wait_alone
fresh_support_log "$client"
"$client/launcher" --headless --endpoints "$work/endpoints.ini" --auto-update > "$work/run2_killed.log" 2>&1 &
launcher_pid=$!
record=$client/DownloadCache/a.pak.tmp.delta
for _ in $(seq 1 300); do [ -s "$record" ] && break; sleep 0.1; done
[ -s "$record" ] || fail "no delta record after 30 s"
sleep 2.2  # two saves of the record, the ranges well under way
kill -0 "$launcher_pid" 2>/dev/null || fail "the delta ended before it was killed: $(tail -3 "$work/run2_killed.log")"
kill -9 "$launcher_pid"
wait "$launcher_pid" 2>/dev/null || true
launcher_pid=""
cmp "$www/v2/a.pak" "$client/a.pak" || fail "the old a.pak changed before the new one was complete"
[ -s "$record" ] || fail "the delta record is gone after the kill"
sleep 0.5  # nginx logs a request when its connection is closed
first_ranges=$(sent_bytes "$slow_log" /limited/v3/a.pak)
first=$((first_ranges + $(sent_bytes "$slow_log" /limited/v3/a.pak.chunks)))
run_launcher "$client" "$work/run2_resumed.log"
cmp "$slow_www/v3/a.pak" "$client/a.pak" || fail "the resumed a.pak differs"
both=$(($(sent_bytes "$slow_log" /limited/v3/a.pak) + $(sent_bytes "$slow_log" /limited/v3/a.pak.chunks)))
allowed=$((one_delta + 5 * (rate_bytes + 262144)))
echo "one delta: $one_delta bytes; killed run: $first, both runs: $both (allowed $allowed)"
[ "$first_ranges" -gt 0 ] || fail "the killed run had fetched no range"
[ $((both - first)) -lt "$one_delta" ] || fail "the resumed run fetched the whole delta again"
[ "$both" -le "$allowed" ] || fail "the resumed run fetched again what the killed one had"
[ -z "$(ls -A "$client/DownloadCache")" ] || fail "the download cache is not empty after the resumed run"
resumed=$(delta_line a.pak)
echo "resumed: $resumed"
[ -n "$resumed" ] || fail "the resumed run has no delta line for a.pak"
[ "$(delta_field "$resumed" fetched)" -lt "$(delta_field "$reference_line" fetched)" ] ||
  fail "the resumed run counts the whole delta as fetched"

echo "3. a keyed launcher: tampered indexes and a mirror serving wrong bytes"
mkdir -p "$www/v4" "$liar_www/v4"
python3 "$versions" derive "$slow_www/v3/a.pak" "$www/v4/a.pak" 41 --edits 4 > /dev/null
python3 "$versions" derive "$www/v2/b.pak" "$www/v4/b.pak" 42 --edits 4 > "$work/b4.edits"
python3 "$versions" derive "$www/v2/c.pak" "$www/v4/c.pak" 43 --edits 4 > /dev/null
"$maker" --keygen "$work/key.pem" > "$work/key.txt"
{ cat "$work/endpoints.ini"; printf '[trust]\nkey1 = %s\n' "$(sed -n 's/^key1 = //p' "$work/key.txt")"; } > "$work/keyed.ini"
# The lying server comes first in the list, so that ranges are asked of it.
make_delta_manifest "$www/v4" "$liar_base/v4" "$work/manifest.xml" --mirror "$base/v4" --sign "$work/key.pem" --serial 1000
grep -q 'name="a.pak"[^>]*chunks_sha256="' "$work/manifest.xml" || fail "the signed manifest holds no index digest"
# The index is altered and sealed again, so only the signed digest tells it from the genuine one.
python3 "$versions" reseal-flip "$www/v4/a.pak.chunks"
# c.pak's index only has one byte flipped, which its own checksum tells as well.
python3 "$versions" flip "$www/v4/c.pak.chunks" 100
cp -p "$www/v4"/* "$liar_www/v4/"
# The liar's b.pak has a wrong byte in every edited stretch, where ranges must be fetched; it
# keeps the size and time of the genuine one, so both name the same version.
python3 "$versions" flip "$liar_www/v4/b.pak" $(awk '{ print $1 + 100 }' "$work/b4.edits")
touch -r "$www/v4/b.pak" "$liar_www/v4/b.pak"
run_launcher "$client" "$work/run3.log" "$work/keyed.ini"
cmp "$www/v4/a.pak" "$client/a.pak" || fail "a.pak is not version 4"
cmp "$www/v4/b.pak" "$client/b.pak" || fail "b.pak is not version 4"
cmp "$www/v4/c.pak" "$client/c.pak" || fail "c.pak is not version 4"
# Well formed, the index can only be told by the signed digest.
grep -F ' delta "a.pak" not used, the file is fetched whole: ' "$client/launcher.log" | grep -F chunks_sha256 ||
  fail "the tampered index of a.pak was not refused for its signed digest"
[ -z "$(delta_line a.pak)" ] || fail "a delta was made from the tampered index: $(delta_line a.pak)"
grep -F ' delta "c.pak" not used, the file is fetched whole: ' "$client/launcher.log" ||
  fail "the index of c.pak with a flipped byte was not refused"
[ -z "$(delta_line c.pak)" ] || fail "a delta was made from the flipped index: $(delta_line c.pak)"
a_size=$(stat -c %s "$www/v4/a.pak")
a_sent=$(($(sent_bytes "$log" /limited/v4/a.pak) + $(sent_bytes "$liar_log" /limited/v4/a.pak)))
echo "a.pak fetched whole: $a_sent of $a_size bytes"
[ "$a_sent" -ge "$a_size" ] || fail "a.pak was not fetched whole after its index was refused"
liar_ranges=$(awk '{ split($1, p, "?") } p[1] == "/limited/v4/b.pak" && $4 != "\"-\""' "$liar_log" | wc -l)
echo "b.pak: $liar_ranges range requests to the server with wrong bytes"
[ "$liar_ranges" -ge 1 ] || fail "the server with wrong bytes was never asked for a range of b.pak"
grep -F " download left \"$liar_base/v4/b.pak\": served bytes that fail the file's chunk hashes" "$client/launcher.log" ||
  fail "the server with wrong bytes was not left"
echo "delta end to end: all steps passed"
