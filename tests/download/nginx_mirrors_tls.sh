#!/usr/bin/env bash
# launcher-fetch with https mirrors on nginx on loopback, trusting a test authority made for
# this run only: a mirror whose certificate is refused (an untrusted authority, another host
# name) beside a good one is left and the file completes byte-identical from the good one,
# whichever of them comes first; when every mirror is refused the download ends with the
# certificate message.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
fetch=${LAUNCHER_BUILD:?}/tools/launcher-fetch
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
command -v openssl >/dev/null || { echo "SKIP: openssl not installed"; exit 0; }
[ -x "$fetch" ] || { echo "missing $fetch"; exit 1; }
source "$src/tests/download/lib/nginx.bash"
source "$src/tests/download/lib/test_ca.bash"
source "$src/tests/download/lib/messages.bash"
work=$(mktemp -d /tmp/dl_mirrors_tls.XXXXXX)
cleanup() {
  nginx_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
test_ca_make "$work/ca" || fail "could not make the test authority"
NGINX_TLS=$work/ca nginx_start 4m
head -c $((8 * 1024 * 1024 + 1234)) /dev/urandom >"$NGINX_DIR/www/file.bin"
export SSL_CERT_FILE=$work/ca/ca.pem
unset SSL_CERT_DIR http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY
good="https://127.0.0.1:$NGINX_TLS_PORT/limited/file.bin"
untrusted="https://127.0.0.1:$NGINX_UNTRUSTED_PORT/limited/file.bin"
# Reached by name: the name in the certificate is what refuses it, not the address.
wrongname="https://localhost:$NGINX_WRONGNAME_PORT/limited/file.bin"
cert_message=$(gbk_hex "服务器证书验证失败,下载已停止,请联系游戏管理员!")
# Requests for the file that reached the good server (each one is a finished handshake).
good_requests() { grep -c '^/limited/file.bin' "$NGINX_DIR/logs/bytes.log" || true; }

completes() { # name, first address, mirror address
  local before after rc=0
  before=$(good_requests)
  "$fetch" "$2" "$work/$1.bin" --mirror "$3" >"$work/$1.out" 2>"$work/$1.err" || rc=$?
  [ "$rc" = 0 ] || fail "$1: exit code $rc: $(cat "$work/$1.out") $(tail -3 "$work/$1.err")"
  cmp "$NGINX_DIR/www/file.bin" "$work/$1.bin" || fail "$1: the file differs"
  [ ! -e "$work/$1.bin.tmp.work" ] || fail "$1: state file left after completion"
  after=$(good_requests)
  # All five connections ended at the good server, none served by the refused one.
  [ $((after - before)) -ge 5 ] || fail "$1: only $((after - before)) requests reached the good server"
}

echo "== an untrusted mirror first, a good one second"
completes untrusted_first "$untrusted?t=1" "$good?t=1"
echo "== a mirror for another host name first, a good one second"
completes wrongname_first "$wrongname?t=2" "$good?t=2"
echo "== a good address first, an untrusted mirror second"
completes untrusted_second "$good?t=3" "$untrusted?t=3"

echo "== every mirror refused"
rc=0
"$fetch" "$untrusted?t=4" "$work/all_refused.bin" --mirror "$wrongname?t=4" >"$work/all_refused.out" 2>/dev/null || rc=$?
[ "$rc" = 2 ] || fail "every mirror refused: exit code $rc, expected 2 (incomplete)"
[ ! -e "$work/all_refused.bin" ] || fail "every mirror refused: a file was delivered"
[ "$(message_of "$work/all_refused.out")" = "$cert_message" ] ||
  fail "every mirror refused: wrong message: $(cat "$work/all_refused.out")"
echo "all TLS mirror cases passed"
