#!/usr/bin/env bash
# The stand-in server's own behaviour, as other tests rely on it: manifest paths, ranges,
# redirects, login servers, every fault mode, the fault limit, and a clean stop on SIGTERM.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/support/standin.sh"
work=$(mktemp -d)
trap 'standin_stop; rm -rf "$work"' EXIT
command -v curl >/dev/null || { echo "SKIP: curl not installed"; exit 0; }
mkdir -p "$work/files/sub"
head -c 70000 /dev/urandom > "$work/files/sub/data.bin"
printf 'gbk name' > "$work/files/$(printf '\xe4\xb8\xad.txt')"  # 中.txt, asked for in GBK
printf '<UpdateInfo><ServerList><S Lport="@LOGIN_PORT_1@" url="http://@HOST@:@FILES_PORT@/x"/></ServerList></UpdateInfo>' > "$work/m.xml"
fail() { echo "FAIL: $*"; cat "$work/standin.log" || true; exit 1; }
get() { curl -s -o "$work/body" -D "$work/head" -w '%{http_code} %{size_download}' "$@" || true; }

start() { standin_start "$work" --manifest "$work/m.xml" --primary-port 0 --secondary-port 0 --files "$work/files" \
  --login 0 --login 0:2+2 --login 0:0 --expand --redirect /moved=/sub/data.bin,301 --redirect /found=/sub/data.bin "$@"; }
url() { echo "http://127.0.0.1:$port_files$1"; }

start
[ "$(get "http://127.0.0.1:$port_primary/dlq/UpdateInfo_test.xml?t=1")" = "200 $(stat -c %s "$work/body")" ] || fail primary
grep -q "Lport=\"$port_login1\" url=\"http://127.0.0.1:$port_files/x\"" "$work/body" || fail "ports not expanded"
[ "$(get "http://127.0.0.1:$port_secondary/buding/dlq/UpdateInfo_test.xml")" = "200 $(stat -c %s "$work/body")" ] || fail secondary
[ "$(get "http://127.0.0.1:$port_primary/buding/dlq/UpdateInfo_test.xml")" = "404 $(stat -c %s "$work/body")" ] || fail "wrong path on primary"
[ "$(get -r 100-199 "$(url /sub/data.bin)")" = "206 100" ] || fail "range"
grep -qi '^Content-Range: bytes 100-199/70000' "$work/head" || fail "Content-Range"
cmp -s "$work/body" <(tail -c +101 "$work/files/sub/data.bin" | head -c 100) || fail "range bytes"
[ "$(get -r 69990- "$(url /sub/data.bin)")" = "206 10" ] || fail "open range"
[ "$(get -r 80000-80001 "$(url /sub/data.bin)")" = "416 0" ] || fail "unsatisfiable range"
[ "$(get -L "$(url /moved?t=7)")" = "200 70000" ] || fail "301"
grep -q '^HTTP/1.1 301' "$work/head" || fail "301 status"
grep -qi "^Location: http://127.0.0.1:$port_files/sub/data.bin?t=7" "$work/head" || fail "Location"
[ "$(get "$(url /found)" | cut -d' ' -f1)" = 302 ] || fail "302"
[ "$(get "$(url /%D6%D0.txt)")" = "200 8" ] || fail "GBK name"
[ "$(get --path-as-is "$(url /../etc/passwd)" | cut -d' ' -f1)" = 404 ] || fail "escaped the folder"
exec 3<>"/dev/tcp/127.0.0.1/$port_login1"; [ "$(timeout 2 head -c 4 <&3)" = KKKK ] || fail "login 4 bytes"; exec 3<&-
exec 3<>"/dev/tcp/127.0.0.1/$port_login2"; [ "$(timeout 2 head -c 4 <&3)" = KKKK ] || fail "login 2+2"; exec 3<&-
exec 3<>"/dev/tcp/127.0.0.1/$port_login3"; [ -z "$(timeout 1 head -c 1 <&3 || true)" ] || fail "login silent"; exec 3<&-
grep -q "login:$port_login2 .* sent 2+2" "$work/standin.log" || fail "login log"
standin_stop

start --fault files:close-after=1000
[ "$(get "$(url /sub/data.bin)" | cut -d' ' -f1)" = 200 ] || fail "close-after status"
[ "$(stat -c %s "$work/body")" -lt 1000 ] || fail "close-after sent too much"
[ "$(get "http://127.0.0.1:$port_primary/dlq/UpdateInfo_test.xml" | cut -d' ' -f1)" = 200 ] || fail "primary status"
grep -q '</UpdateInfo>$' "$work/body" || fail "fault leaked to the primary"
standin_stop

start --fault files:wrong-length=5000000
get --max-time 5 "$(url /sub/data.bin)" >/dev/null
grep -qi '^Content-Length: 5000000' "$work/head" || fail "wrong length not announced"
[ "$(stat -c %s "$work/body")" = 70000 ] || fail "wrong-length body"
standin_stop

start --fault files:stall
[ "$(get --max-time 1 "$(url /sub/data.bin)")" = "000 0" ] || fail "stall answered"
standin_stop

start --fault files:stall-after=500
[ "$(get --max-time 1 "$(url /sub/data.bin)" | cut -d' ' -f1)" = 200 ] || fail "stall-after status"
[ "$(stat -c %s "$work/body")" -lt 500 ] || fail "stall-after sent too much"
standin_stop

start --fault status=500 --fault-limit 1
[ "$(get "$(url /sub/data.bin)" | cut -d' ' -f1)" = 500 ] || fail "status fault"
[ "$(get "$(url /sub/data.bin)")" = "200 70000" ] || fail "fault limit"
[ "$(get "http://127.0.0.1:$port_primary/dlq/UpdateInfo_test.xml" | cut -d' ' -f1)" = 500 ] || fail "limit is per listener"
standin_stop

# A 200 status fault sends its page in place of the file, whatever range was asked.
start --fault files:status=200
[ "$(get -r 100-199 "$(url /sub/data.bin)" | cut -d' ' -f1)" = 200 ] || fail "status 200 fault"
grep -q '^<html>' "$work/body" || fail "status 200 fault sent no page"
grep -qi '^Content-Range' "$work/head" && fail "status 200 fault answered a range"
standin_stop

start --fault files:reset-after=1000 --fault-limit 1
curl -s -o "$work/body" "$(url /sub/data.bin)" && rc=0 || rc=$?
[ "$rc" = 56 ] || fail "reset-after: curl said $rc, not a reset (56)"
[ "$(stat -c %s "$work/body")" -lt 1000 ] || fail "reset-after sent too much"
grep -q ' reset$' "$work/standin.log" || fail "reset not logged"
[ "$(get "$(url /sub/data.bin)")" = "200 70000" ] || fail "reset-after limit"
standin_stop

# 70000 bytes at 40000 per second take more than a second: one curl call, told to give up at
# one second, gets only part of it.
start --fault files:rate=40000
[ "$(get --max-time 1 "$(url /sub/data.bin)" | cut -d' ' -f1)" = 200 ] || fail "rate status"
[ "$(stat -c %s "$work/body")" -lt 70000 ] || fail "rate sent everything at once"
[ "$(stat -c %s "$work/body")" -gt 0 ] || fail "rate sent nothing"
standin_stop

start --fault files:ignore-range
[ "$(get -r 0-9 "$(url /sub/data.bin)")" = "200 70000" ] || fail "ignore-range"
# A connection held open by a stall does not keep the server from stopping.
exec 3<>"/dev/tcp/127.0.0.1/$port_login1"
kill -TERM "$STANDIN_PID"
for _ in $(seq 1 100); do kill -0 "$STANDIN_PID" 2>/dev/null || break; sleep 0.05; done
kill -0 "$STANDIN_PID" 2>/dev/null && fail "still running after SIGTERM"
wait "$STANDIN_PID" && rc=0 || rc=$?
STANDIN_PID=
[ "$rc" = 0 ] || fail "exit code $rc after SIGTERM"
exec 3<&-
grep -q stopping "$work/standin.log" || fail "no stop logged"

# Bad command lines are refused with the usage.
"$standin_bin" --fault bogus 2>"$work/err" && fail "bad fault accepted"
"$standin_bin" --fault rate=0 2>"$work/err" && fail "rate 0 accepted"
grep -q usage "$work/err" || fail "no usage"
echo "stand-in server: all cases passed"
