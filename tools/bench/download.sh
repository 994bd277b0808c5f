#!/usr/bin/env bash
# Download benchmark: one file served by our own nginx on loopback, fetched by our engine
# (launcher-fetch, five connections), curl (one connection) and aria2c -x5 -s5; once without
# a rate limit and once with nginx limiting each connection; plus the bytes fetched twice
# when our download is killed (SIGKILL) mid-way and resumed; and ours against curl over TLS
# from the same nginx (a certificate authority made for the run, trusted by both only here).
#   tools/bench/download.sh [TOP]   env: BENCH_MB (default 1024), BENCH_RATE (default 20m)
set -euo pipefail
top=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
fetch=${FETCH_BIN:-$top/build/linux/tools/launcher-fetch}
size_mb=${BENCH_MB:-1024}
rate=${BENCH_RATE:-20m}
for tool in nginx curl aria2c openssl; do
  command -v "$tool" >/dev/null || { echo "missing $tool (./run bench installs it)"; exit 1; }
done
[ -x "$fetch" ] || { echo "missing $fetch"; exit 1; }
source "$top/tests/download/lib/nginx.bash"
source "$top/tests/download/lib/test_ca.bash"
out=$(mktemp -d "${BENCH_DIR:-/tmp}/dl_bench.XXXXXX")
bg_pid=
cleanup() {
  [ -n "$bg_pid" ] && kill -9 "$bg_pid" 2>/dev/null || true
  nginx_stop
  rm -rf "$out"
}
trap cleanup EXIT
test_ca_make "$out/ca" || { echo "could not make the test certificate authority"; exit 1; }
NGINX_TLS=$out/ca nginx_start "$rate"
head -c $((size_mb * 1024 * 1024)) /dev/urandom >"$NGINX_DIR/www/file.bin"
bytes=$((size_mb * 1024 * 1024))
base="http://127.0.0.1:$NGINX_PORT"

# Runs one download BENCH_REPEAT times (default 2) and keeps the fastest run; sets
# SECONDS_TAKEN and CPU_TAKEN (user + system of the tool). Dirty pages of the source file
# and of earlier runs are written out first, so no tool pays for another's writeback.
measure() { # target, command...
  local target=$1; shift
  local TIMEFORMAT='%R %U %S' report best="" run
  for run in $(seq "${BENCH_REPEAT:-2}"); do
    rm -f "$target" "$target".*
    sync
    report=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
    cmp -s "$NGINX_DIR/www/file.bin" "$target" || { echo "download by $1 differs from the source"; exit 1; }
    rm -f "$target"
    if [ -z "$best" ] || awk -v a="$report" -v b="$best" 'BEGIN { split(a, x, " "); split(b, y, " "); exit !(x[1] < y[1]) }'; then
      best=$report
    fi
  done
  SECONDS_TAKEN=$(echo "$best" | awk '{print $1}')
  CPU_TAKEN=$(echo "$best" | awk '{print $2 + $3}')
}

mbps() { awk -v b="$bytes" -v s="$1" 'BEGIN { printf "%.1f", b / 1048576 / s }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

run_set() { # label, path prefix; prints a table and sets <tool>_s and <tool>_cpu
  local label=$1 prefix=$2
  measure "$out/ours.bin" "$fetch" "$base$prefix/file.bin?t=$label" "$out/ours.bin"
  ours_s=$SECONDS_TAKEN ours_cpu=$CPU_TAKEN
  measure "$out/curl.bin" curl -s -o "$out/curl.bin" "$base$prefix/file.bin"
  curl_s=$SECONDS_TAKEN curl_cpu=$CPU_TAKEN
  measure "$out/aria2c.bin" aria2c -q -x5 -s5 --allow-overwrite=true --auto-file-renaming=false \
    --summary-interval=0 -d "$out" -o aria2c.bin "$base$prefix/file.bin"
  aria_s=$SECONDS_TAKEN aria_cpu=$CPU_TAKEN
  printf '%-10s %-8s %8s s %9s MB/s %7s s cpu\n' "$label" ours "$ours_s" "$(mbps "$ours_s")" "$ours_cpu" \
    "$label" curl "$curl_s" "$(mbps "$curl_s")" "$curl_cpu" "$label" aria2c "$aria_s" "$(mbps "$aria_s")" "$aria_cpu"
}

echo "file: $size_mb MiB from nginx on 127.0.0.1:$NGINX_PORT; per-connection cap in the limited set: $rate"
run_set unlimited ""
u_ours=$ours_s u_curl=$curl_s u_aria=$aria_s u_ours_cpu=$ours_cpu u_curl_cpu=$curl_cpu
run_set limited /limited
l_ours=$ours_s l_curl=$curl_s l_aria=$aria_s

# Over TLS, unlimited: ours (five connections) and curl (one), both trusting the run's authority.
secure_base="https://127.0.0.1:$NGINX_TLS_PORT"
measure "$out/ours.bin" env SSL_CERT_FILE="$out/ca/ca.pem" "$fetch" "$secure_base/file.bin?t=tls" "$out/ours.bin"
s_ours=$SECONDS_TAKEN s_ours_cpu=$CPU_TAKEN
measure "$out/curl.bin" curl -s --cacert "$out/ca/ca.pem" -o "$out/curl.bin" "$secure_base/file.bin"
s_curl=$SECONDS_TAKEN s_curl_cpu=$CPU_TAKEN
printf '%-10s %-8s %8s s %9s MB/s %7s s cpu\n' https ours "$s_ours" "$(mbps "$s_ours")" "$s_ours_cpu" \
  https curl "$s_curl" "$(mbps "$s_curl")" "$s_curl_cpu"

# Killed after about 40 % of the limited run and resumed: bytes nginx sent beyond the file.
target="$out/resume.bin"
"$fetch" "$base/limited/file.bin?t=resume" "$target" >/dev/null 2>&1 &
bg_pid=$!
sleep "$(awk -v s="$l_ours" 'BEGIN { printf "%.1f", s * 0.4 }')"
kill -9 "$bg_pid"
wait "$bg_pid" 2>/dev/null || true
bg_pid=
"$fetch" "$base/limited/file.bin?t=resume" "$target" >/dev/null 2>&1
cmp -s "$NGINX_DIR/www/file.bin" "$target" || { echo "resumed download differs"; exit 1; }
sleep 0.2
sent=$(nginx_bytes_sent "t=resume")
twice=$((sent - bytes))
allowed=$(awk -v b="$bytes" -v s="$l_ours" 'BEGIN { printf "%d", b / s + 5 * 10240 }')
echo "resume after SIGKILL: fetched twice $twice bytes (one second of throughput + one chunk per connection: $allowed)"

u_ours_mbps=$(mbps "$u_ours") u_curl_mbps=$(mbps "$u_curl") u_aria_mbps=$(mbps "$u_aria")
echo "unlimited: ours/aria2c $(ratio "$u_ours_mbps" "$u_aria_mbps") (target >= 1.5), ours/curl $(ratio "$u_ours_mbps" "$u_curl_mbps") (target >= 0.9)"
echo "limited:   one connection / ours $(ratio "$l_curl" "$l_ours") (target >= 4.9), aria2c / ours $(ratio "$l_aria" "$l_ours")"
echo "cpu:       ours/curl $(ratio "$u_ours_cpu" "$u_curl_cpu") (target <= 1.5)"
s_ours_mbps=$(mbps "$s_ours") s_curl_mbps=$(mbps "$s_curl")
echo "https:     ours/curl $(ratio "$s_ours_mbps" "$s_curl_mbps") (target >= 0.9), cpu ours/curl $(ratio "$s_ours_cpu" "$s_curl_cpu") (target <= 1.5)"
echo "RESULT ours_mbps=$u_ours_mbps curl_mbps=$u_curl_mbps aria2c_mbps=$u_aria_mbps" \
  "ratio_aria2c=$(ratio "$u_ours_mbps" "$u_aria_mbps") ratio_curl=$(ratio "$u_ours_mbps" "$u_curl_mbps")" \
  "limited_ratio_single=$(ratio "$l_curl" "$l_ours") cpu_ratio_curl=$(ratio "$u_ours_cpu" "$u_curl_cpu")" \
  "resume_twice_bytes=$twice resume_allowed_bytes=$allowed" \
  "https_ours_mbps=$s_ours_mbps https_curl_mbps=$s_curl_mbps https_ratio_curl=$(ratio "$s_ours_mbps" "$s_curl_mbps")" \
  "https_cpu_ratio_curl=$(ratio "$s_ours_cpu" "$s_curl_cpu")"
