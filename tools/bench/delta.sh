#!/usr/bin/env bash
# Delta benchmark: the headless Linux launcher updates one large file from our own nginx on
# loopback, each connection paced by limit_rate (five of them make a fast home line), once by
# the file's chunk index and once whole (the same update with the index's attribute removed
# from the manifest, the old file present), both in this run:
#   (a) 100 scattered 4 KiB edits: bytes (index included) / file, time / whole time
#   (b) 1 MiB inserted at 10 % plus 10 edits: bytes / file, time / whole time
#   (c) unrelated content: bytes / file, time / whole time
#   (d) the launcher's scan of the old file against one sha256sum process over the same file
#       (throughput), and the launcher's peak resident memory in (a) (/usr/bin/time -v)
#   tools/bench/delta.sh [TOP]   env: BENCH_MB (default 1024), BENCH_RATE (default 8m)
set -euo pipefail
top=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export LAUNCHER_SOURCE=$top LAUNCHER_BUILD=${LAUNCHER_BUILD:-$top/build/linux}
launcher=${LAUNCHER_BIN:-$LAUNCHER_BUILD/launcher}
size_mb=${BENCH_MB:-1024}
rate=${BENCH_RATE:-8m}
for tool in nginx curl sha256sum /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (./run bench installs it)"; exit 1; }
done
[ -x "$launcher" ] || { echo "missing $launcher"; exit 1; }
source "$top/tests/support/e2e_common.bash"
source "$top/tests/download/lib/nginx.bash"
maker=$(built_tool manifest-maker)
versions=$top/tests/delta/versions.py
out=$(mktemp -d "${BENCH_DIR:-/tmp}/delta_bench.XXXXXX")
work=$out
standin_pid=
cleanup() {
  [ -n "$standin_pid" ] && { kill "$standin_pid" 2>/dev/null || true; wait "$standin_pid" 2>/dev/null || true; }
  nginx_stop
  rm -rf "$out"
}
trap cleanup EXIT
# A runtime folder of our own: the launcher's single-instance lock never meets another's.
export XDG_RUNTIME_DIR=$out/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

nginx_start "$rate"
www=$NGINX_DIR/www base="http://127.0.0.1:$NGINX_PORT/limited"
bytes=$((size_mb * 1048576))
echo "file: $size_mb MiB from nginx on 127.0.0.1:$NGINX_PORT, each connection limited to $rate"
python3 "$versions" random "$out/old.pak" "$size_mb" 1
mkdir -p "$www/a" "$www/b" "$www/c" "$out/empty"
python3 "$versions" derive "$out/old.pak" "$www/a/game.pak" 2 --edits 100 > /dev/null
python3 "$versions" derive "$out/old.pak" "$www/b/game.pak" 3 --insert 0.1:1048576 --edits 10 > /dev/null
python3 "$versions" random "$www/c/game.pak" "$size_mb" 4
write_template "$out/template.xml"
for case in a b c; do
  "$maker" --dir "$www/$case" --base-url "$base/$case" --existing "$out/template.xml" --chunks \
    --out "$out/$case.xml" > /dev/null
  grep -q 'chunks="' "$out/$case.xml" || { echo "the manifest of case $case names no chunk index"; exit 1; }
  sed 's/ chunks="[^"]*"//' "$out/$case.xml" > "$out/${case}_whole.xml"
done
cp "$out/a.xml" "$out/manifest.xml"
start_standin "$out/manifest.xml" "$out/empty" "$out/standin.log"
write_endpoints "$out/endpoints.ini"

# One update of case $1 with manifest $2 from a client folder holding the old file; sets
# WALL (s), RSS_MB (peak resident), ANON_MB (peak of RssAnon, sampled every 0.1 s), SENT (bytes
# nginx sent for the file and its index) and LINE (the launcher's delta note, if any).
run_update() {
  local case=$1 manifest=$2 client=$out/client before
  rm -rf "$client"
  mkdir -p "$client"
  : > "$client/Client.exe"
  cp "$launcher" "$client/launcher"
  cp "$out/old.pak" "$client/game.pak"
  cp "$manifest" "$out/manifest.xml"
  sync
  before=$(wc -l < "$NGINX_DIR/logs/bytes.log")
  /usr/bin/time -v -o "$out/time.txt" "$client/launcher" --headless --endpoints "$out/endpoints.ini" --auto-update \
    > "$out/run.log" 2>&1 &
  local timer=$! pid="" status
  # The peak of the launcher's own memory (RssAnon): the resident size time reports counts the
  # pages of the files it maps as well.
  ANON_MB=0
  while kill -0 "$timer" 2>/dev/null; do
    [ -n "$pid" ] || pid=$(pgrep -P "$timer" || true)
    [ -n "$pid" ] && ANON_MB=$(awk -v peak="$ANON_MB" '/^RssAnon:/ { mb = $2 / 1024; if (mb > peak) peak = mb } END { printf "%.1f", peak }' \
      "/proc/$pid/status" 2>/dev/null || echo "$ANON_MB")
    sleep 0.1
  done
  wait "$timer" && status=0 || status=$?
  [ "$status" = 0 ] || { tail -5 "$out/run.log"; echo "the launcher failed in case $case"; exit 1; }
  cp "$client/launcher.log" "$out/$(basename "$manifest" .xml).log"
  grep -qF '"更新完毕, 祝你游戏愉快！"' "$out/run.log" || { tail -5 "$out/run.log"; echo "case $case did not finish"; exit 1; }
  cmp -s "$www/$case/game.pak" "$client/game.pak" || { echo "case $case: the installed file differs"; exit 1; }
  sleep 0.3
  SENT=$(tail -n +$((before + 1)) "$NGINX_DIR/logs/bytes.log" |
    awk -v p="/limited/$case/game.pak" '{ split($1, u, "?") } u[1] == p || u[1] == p ".chunks" { s += $3 } END { print s + 0 }')
  WALL=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$out/time.txt")
  RSS_MB=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$out/time.txt")
  LINE=$(grep -F ' delta "game.pak"' "$client/launcher.log" | tail -1 || true)
  # The download step alone, by the launcher's own clock: the delta's "ms in all" (index,
  # scan, ranges and its check), else the whole download's time. The evaluation before and the
  # check code and install after are the same work for both.
  DOWNLOAD_MS=$(sed -n 's/.* ms, \([0-9]*\) ms in all.*/\1/p' <<< "$LINE")
  [ -n "$DOWNLOAD_MS" ] || DOWNLOAD_MS=$(grep -F '/game.pak" to ' "$client/launcher.log" | tail -1 |
    sed -n 's/.* connections, \([0-9]*\) ms.*/\1/p')
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
pct() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", 100 * a / b }'; }
declare -A sent wall step
for case in a b c; do
  run_update "$case" "$out/$case.xml"
  sent[$case]=$SENT wall[$case]=$WALL step[$case]=${DOWNLOAD_MS:-0}
  echo "($case) delta: $WALL s, $SENT bytes, peak $RSS_MB MiB resident, $ANON_MB MiB anonymous"
  echo "    ${LINE#* }"
  if [ "$case" = a ]; then a_rss=$RSS_MB a_anon=$ANON_MB a_line=$LINE; fi
  run_update "$case" "$out/${case}_whole.xml"
  echo "($case) whole: $WALL s, $SENT bytes, peak $RSS_MB MiB resident, $ANON_MB MiB anonymous"
  sent[${case}_whole]=$SENT wall[${case}_whole]=$WALL step[${case}_whole]=${DOWNLOAD_MS:-1}
done

# Where the time of (a) went, by the launcher's own notes.
echo "(a) the delta run's support log:"
grep -E ' (start|check|evaluation|download|delta|install|update run finished)' "$out/a.log" | cut -c12- | sed 's/^/    /'

# The planning pass: the scan's own figures from (a) against sha256sum over the same old file.
scanned=$(sed -n 's/.* scanned \([0-9]*\) bytes in [0-9]* ms,.*/\1/p' <<< "$a_line")
scan_ms=$(sed -n 's/.* scanned [0-9]* bytes in \([0-9]*\) ms,.*/\1/p' <<< "$a_line")
if [ -n "$scanned" ] && [ -n "$scan_ms" ]; then
  scan_mbps=$(awk -v b="$scanned" -v ms="$scan_ms" 'BEGIN { printf "%.1f", b / 1048576 / (ms > 0 ? ms / 1000 : 0.001) }')
else
  scan_mbps=0
  echo "(d) no scan figures in the delta note of (a): '$a_line'"
fi
cat "$out/old.pak" > /dev/null  # in the page cache, as it was for the launcher's scan
TIMEFORMAT=%R
sha_s=$( { time sha256sum "$out/old.pak" > /dev/null; } 2>&1 )
sha_mbps=$(awk -v b="$bytes" -v s="$sha_s" 'BEGIN { printf "%.1f", b / 1048576 / s }')

size() { stat -c %s "$www/$1/game.pak"; }
a_pct=$(pct "${sent[a]}" "$(size a)") b_pct=$(pct "${sent[b]}" "$(size b)")
b_less=$(pct $((sent[b] - 1048576)) "$(size b)")
echo "(a) bytes $a_pct % of the file (target <= 2), time $(ratio "${wall[a]}" "${wall[a_whole]}") x whole (target <= 0.15)," \
  "the download step $(ratio "${step[a]}" "${step[a_whole]}") x (${step[a]} ms against ${step[a_whole]} ms)"
echo "(b) bytes $b_pct % of the file, $b_less % beyond the inserted MiB (target <= 2), time $(ratio "${wall[b]}" "${wall[b_whole]}") x whole"
echo "(c) bytes $(ratio "${sent[c]}" "$(size c)") x the file (target <= 1.005), time $(ratio "${wall[c]}" "${wall[c_whole]}") x whole (target <= 1.10)"
echo "(d) scan $scan_mbps MiB/s, sha256sum $sha_mbps MiB/s: $(ratio "$scan_mbps" "$sha_mbps") (target >= 1.5); peak memory in (a) $a_rss MiB resident, $a_anon MiB anonymous"
echo "RESULT a_bytes_pct=$a_pct a_time_ratio=$(ratio "${wall[a]}" "${wall[a_whole]}")" \
  "a_download_ratio=$(ratio "${step[a]}" "${step[a_whole]}") c_download_ratio=$(ratio "${step[c]}" "${step[c_whole]}")" \
  "b_bytes_pct=$b_pct b_bytes_beyond_insert_pct=$b_less b_time_ratio=$(ratio "${wall[b]}" "${wall[b_whole]}")" \
  "c_bytes_ratio=$(ratio "${sent[c]}" "$(size c)") c_time_ratio=$(ratio "${wall[c]}" "${wall[c_whole]}")" \
  "d_scan_mbps=$scan_mbps d_sha256sum_mbps=$sha_mbps d_scan_ratio=$(ratio "$scan_mbps" "$sha_mbps")" \
  "a_peak_rss_mb=$a_rss a_peak_anon_mb=$a_anon whole_s=${wall[a_whole]}"
