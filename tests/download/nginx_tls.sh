#!/usr/bin/env bash
# launcher-fetch over TLS against real nginx on loopback, trusting a test authority made for
# this run only (SSL_CERT_FILE): a download with five connections, killed and resumed; a
# plain-HTTP address that redirects to HTTPS; a relative redirect; and the refusals with the
# player's message: a certificate from an untrusted authority, one for another host name
# (reached by address and by name), and a redirect from HTTPS back to plain HTTP.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
fetch=${LAUNCHER_BUILD:?}/tools/launcher-fetch
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
command -v openssl >/dev/null || { echo "SKIP: openssl not installed"; exit 0; }
[ -x "$fetch" ] || { echo "missing $fetch"; exit 1; }
source "$src/tests/download/lib/nginx.bash"
source "$src/tests/download/lib/test_ca.bash"
source "$src/tests/download/lib/messages.bash"
work=$(mktemp -d /tmp/dl_tls.XXXXXX)
fetch_pid=
cleanup() {
  [ -n "$fetch_pid" ] && kill -9 "$fetch_pid" 2>/dev/null || true
  nginx_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
test_ca_make "$work/ca" || fail "could not make the test authority"
NGINX_TLS=$work/ca nginx_start 2m
head -c $((6 * 1024 * 1024 + 4321)) /dev/urandom >"$NGINX_DIR/www/file.bin"
secure="https://127.0.0.1:$NGINX_TLS_PORT"
export SSL_CERT_FILE=$work/ca/ca.pem
unset SSL_CERT_DIR
# The messages the launcher shows, as its GBK bytes.
cert_message=$(gbk_hex "服务器证书验证失败,下载已停止,请联系游戏管理员!")
incomplete_message=$(gbk_hex "更新异常终止,请关闭登录器稍后尝试!")

echo "== fresh download over TLS"
"$fetch" "$secure/file.bin?t=1" "$work/fresh.bin" >/dev/null 2>&1 || fail "fresh https download"
cmp "$NGINX_DIR/www/file.bin" "$work/fresh.bin" || fail "https download differs"

echo "== by host name"
"$fetch" "https://localhost:$NGINX_TLS_PORT/file.bin" "$work/named.bin" >/dev/null 2>&1 || fail "https by name"
cmp "$NGINX_DIR/www/file.bin" "$work/named.bin" || fail "https download by name differs"

echo "== plain HTTP redirected to HTTPS"
"$fetch" "http://127.0.0.1:$NGINX_PORT/to_https.bin" "$work/upgraded.bin" >/dev/null 2>&1 || fail "http to https"
cmp "$NGINX_DIR/www/file.bin" "$work/upgraded.bin" || fail "download redirected to https differs"

echo "== relative Location"
"$fetch" "$secure/relative.bin" "$work/relative.bin" >/dev/null 2>&1 || fail "relative redirect"
cmp "$NGINX_DIR/www/file.bin" "$work/relative.bin" || fail "download after a relative redirect differs"

echo "== killed and resumed over TLS"
# A larger file at 2 MiB/s per connection: about 2.4 s, and the state is saved every second.
head -c $((24 * 1024 * 1024 + 999)) /dev/urandom >"$NGINX_DIR/www/large.bin"
target="$work/killed.bin"
"$fetch" "$secure/limited/large.bin" "$target" >/dev/null 2>&1 &
fetch_pid=$!
sleep 1.5
kill -9 "$fetch_pid" 2>/dev/null || true
wait "$fetch_pid" 2>/dev/null || true
fetch_pid=
[ -s "$target.tmp.work" ] || fail "no state file after 1.5 s"
"$fetch" "$secure/limited/large.bin" "$target" >/dev/null 2>&1 || fail "resume over https"
cmp "$NGINX_DIR/www/large.bin" "$target" || fail "resumed https download differs"
# Only the first run's first request went without a range: the second run resumed.
unranged=$(grep -c '^/limited/large.bin [0-9]* [0-9]* "-"$' "$NGINX_DIR/logs/bytes.log" || true)
[ "$unranged" = 1 ] || fail "$unranged requests for the whole file: the second run did not resume"

refused() { # name, address, expected message
  local rc=0
  "$fetch" "$2" "$work/$1.bin" >"$work/$1.out" 2>/dev/null || rc=$?
  [ "$rc" = 2 ] || fail "$1: exit code $rc, expected 2 (incomplete)"
  [ ! -e "$work/$1.bin" ] || fail "$1: a file was delivered"
  [ "$(message_of "$work/$1.out")" = "$3" ] || fail "$1: wrong message: $(cat "$work/$1.out")"
}
echo "== untrusted authority refused"
refused untrusted "https://127.0.0.1:$NGINX_UNTRUSTED_PORT/file.bin" "$cert_message"
echo "== certificate for another name refused"
refused wrongname "https://127.0.0.1:$NGINX_WRONGNAME_PORT/file.bin" "$cert_message"
echo "== certificate for another name refused when reached by a host name"
refused wrongname_by_name "https://localhost:$NGINX_WRONGNAME_PORT/file.bin" "$cert_message"
echo "== trusted only through the test authority"
SSL_CERT_FILE=$work/ca/stranger.pem refused notrusted "$secure/file.bin" "$cert_message"
echo "== HTTPS redirected to plain HTTP refused"
refused downgraded "$secure/to_http.bin" "$incomplete_message"
echo "all TLS download cases passed"
