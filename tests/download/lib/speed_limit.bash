# The player's speed limit and pause, headless, against nginx on loopback; sourced by
# linux_speed_limit.sh and wine_speed_limit.sh, which set work, client, launcher,
# launcher_name and run_launcher (the launcher with its endpoints, --headless and
# --auto-update, plus the arguments it is given), and cleanup's pids:
#   1. a 64 MB patch with --limit-rate 2 MiB/s takes its 30.5 s within a tenth, and what nginx sent
#      over the download's time stays within the limit;
#   2. the same patch paused from standard input for 40 s and resumed: it ends byte for byte,
#      no byte arrives while paused, and nginx served no more than the file and one range per
#      connection again (the paused connections are closed after 30 s and ask again).
fail() { echo "FAIL: $*"; grep -F -e ' download' -e 'speed' -e 'paused' -e 'resumed' "$client/launcher.log" 2>/dev/null | tail; exit 1; }

nginx_start 1m  # the files are served from the unpaced root
mkdir -p "$client" "$work/empty" "$NGINX_DIR/www/release"
: > "$client/Client.exe"
cp "$launcher" "$client/$launcher_name"
head -c $((64 * 1000 * 1000)) /dev/urandom > "$NGINX_DIR/www/release/big.pak"
write_template "$work/template.xml"
"$maker" --dir "$NGINX_DIR/www/release" --base-url "http://127.0.0.1:$NGINX_PORT/release" \
  --existing "$work/template.xml" --out "$work/manifest.xml" > /dev/null
start_standin "$work/manifest.xml" "$work/empty" "$work/standin.log"
write_endpoints "$work/endpoints.ini"
log=$NGINX_DIR/logs/bytes.log
sent() { awk '$1 ~ /^\/release\/big\.pak/ { s += $3 } END { print s + 0 }' "$log"; }
download_ms() { grep -F '/release/big.pak" to ' "$client/launcher.log" | tail -1 | sed -n 's/.* connections, \([0-9]*\) ms.*/\1/p'; }
fresh() { rm -rf "$client/DownloadCache" "$client/big.pak" "$client/launcher.log"; : > "$log"; }

echo "1. 64 MB at 2 MiB/s"
fresh
run_launcher --limit-rate 2097152 < /dev/null > "$work/run1.log" 2>&1 || fail "the limited run"
cmp "$NGINX_DIR/www/release/big.pak" "$client/big.pak" || fail "the limited download differs"
ms=$(download_ms) bytes=$(sent)
echo "64000000 bytes in $ms ms, nginx sent $bytes"
expected=$((64000000 * 1000 / 2097152))
[ "$ms" -ge $((expected * 9 / 10)) ] && [ "$ms" -le $((expected * 11 / 10)) ] ||
  fail "took $ms ms, not $expected ms within a tenth"
# Over the download's time nginx sent no faster than the limit (a twentieth for its buffers).
[ $((bytes * 1000 / ms)) -le $((2097152 * 105 / 100)) ] || fail "nginx sent $bytes bytes in $ms ms"
grep -qF 'speed limit set: 2097152 bytes per second' "$client/launcher.log" || fail "no note of the limit"

echo "2. paused for 40 s, then resumed"
fresh
mkfifo "$work/input"
run_launcher --limit-rate 4194304 < "$work/input" > "$work/run2.log" 2>&1 &
run_pid=$!
exec 3> "$work/input"
for _ in $(seq 300); do [ -s "$client/DownloadCache/big.pak.tmp.work" ] && break; sleep 0.1; done
sleep 2
printf 'pause\n' >&3
sleep 2  # what each connection had been granted lands
percent() { grep -a '^标签_更新进度: ' "$work/run2.log" | tail -1; }
at_pause=$(percent)
requests_at_pause=$(grep -c '^/release/big.pak' "$log" || true)
sleep 38
grep -qF 'downloads paused' "$client/launcher.log" || fail "no note of the pause"
grep -qaF '下载已暂停' "$work/run2.log" || fail "the status line did not say paused"
# Nothing arrived while paused; the connections were closed after 30 s (their requests are in
# nginx's log by now).
[ "$(percent)" = "$at_pause" ] || fail "the download moved while paused: $at_pause, then $(percent)"
[ "$(grep -c '^/release/big.pak' "$log")" -ge 5 ] || fail "the paused connections were not closed"
printf 'resume\n' >&3
exec 3>&-
wait "$run_pid" || fail "the paused run ended badly"
run_pid=""
cmp "$NGINX_DIR/www/release/big.pak" "$client/big.pak" || fail "the paused download differs"
grep -qF 'downloads resumed' "$client/launcher.log" || fail "no note of the resume"
requests=$(grep -c '^/release/big.pak' "$log")
bytes=$(sent)
echo "requests ended before the pause $requests_at_pause, in all $requests; nginx sent $bytes for 64000000"
# One request per connection before the pause, one more each after it (and the short first one):
# a byte served twice lies in a connection's one range asked again. What nginx counts as sent
# beyond the file is what it had queued in each closed connection's send buffer, which the
# system lets grow to tcp_wmem's largest size whatever the reader's window.
[ "$requests" -le 11 ] || fail "$requests requests"
queue=$(awk '{ print $3 }' /proc/sys/net/ipv4/tcp_wmem 2>/dev/null || echo 4194304)
[ "$bytes" -le $((64000000 + 5 * (queue + 1048576))) ] || fail "nginx sent $bytes bytes"
echo "speed limit and pause: all steps passed"
