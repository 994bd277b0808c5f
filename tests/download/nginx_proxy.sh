#!/usr/bin/env bash
# launcher-fetch through a real proxy on loopback (tinyproxy, started and stopped here):
# plain HTTP with the whole address as request target and HTTPS through a CONNECT tunnel,
# both byte-identical and both seen by the proxy; no_proxy sends a server past it; and a
# proxy that asks for credentials (407) ends the download with the player's message, also when
# the file has a mirror behind the same proxy.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
fetch=${LAUNCHER_BUILD:?}/tools/launcher-fetch
for tool in nginx openssl tinyproxy; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 0; }
done
[ -x "$fetch" ] || { echo "missing $fetch"; exit 1; }
source "$src/tests/download/lib/nginx.bash"
source "$src/tests/download/lib/test_ca.bash"
source "$src/tests/download/lib/messages.bash"
source "$src/tests/download/lib/tinyproxy.bash"
work=$(mktemp -d /tmp/dl_proxy_e2e.XXXXXX)
cleanup() {
  tinyproxy_stop
  nginx_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
test_ca_make "$work/ca" || fail "could not make the test authority"
NGINX_TLS=$work/ca nginx_start 2m
head -c $((3 * 1024 * 1024 + 777)) /dev/urandom >"$NGINX_DIR/www/file.bin"
export SSL_CERT_FILE=$work/ca/ca.pem
unset SSL_CERT_DIR HTTP_PROXY HTTPS_PROXY NO_PROXY no_proxy
proxy_message=$(gbk_hex "代理服务器拒绝了下载,请检查代理设置!")
plain="http://127.0.0.1:$NGINX_PORT/file.bin?t=proxied"
secure="https://127.0.0.1:$NGINX_TLS_PORT/file.bin?t=tunneled"

tinyproxy_start
export http_proxy=http://127.0.0.1:$TINYPROXY_PORT https_proxy=http://127.0.0.1:$TINYPROXY_PORT
echo "== plain HTTP through the proxy"
"$fetch" "$plain" "$work/plain.bin" >/dev/null 2>&1 || fail "download through the proxy"
cmp "$NGINX_DIR/www/file.bin" "$work/plain.bin" || fail "proxied download differs"
grep -q "GET http://127.0.0.1:$NGINX_PORT/file.bin?t=proxied" "$TINYPROXY_DIR/tinyproxy.log" ||
  fail "the proxy saw no absolute request"
echo "== HTTPS through a CONNECT tunnel"
"$fetch" "$secure" "$work/tunneled.bin" >/dev/null 2>&1 || fail "download through the tunnel"
cmp "$NGINX_DIR/www/file.bin" "$work/tunneled.bin" || fail "tunneled download differs"
grep -q "CONNECT 127.0.0.1:$NGINX_TLS_PORT" "$TINYPROXY_DIR/tinyproxy.log" || fail "the proxy saw no CONNECT"
echo "== no_proxy goes past the proxy"
before=$(grep -c "t=bypassed" "$TINYPROXY_DIR/tinyproxy.log" || true)
no_proxy="example.invalid, 127.0.0.1" "$fetch" "http://127.0.0.1:$NGINX_PORT/file.bin?t=bypassed" \
  "$work/bypassed.bin" >/dev/null 2>&1 || fail "download past the proxy"
cmp "$NGINX_DIR/www/file.bin" "$work/bypassed.bin" || fail "download past the proxy differs"
after=$(grep -c "t=bypassed" "$TINYPROXY_DIR/tinyproxy.log" || true)
[ "$before" = "$after" ] || fail "no_proxy was not honoured"
grep -q "t=bypassed" "$NGINX_DIR/logs/bytes.log" || fail "nginx never saw the bypassing download"
tinyproxy_stop

echo "== a proxy that asks for credentials"
tinyproxy_start someone secret
export http_proxy=http://127.0.0.1:$TINYPROXY_PORT https_proxy=http://127.0.0.1:$TINYPROXY_PORT
for kind in plain secure; do
  rc=0
  address=$plain
  [ "$kind" = secure ] && address=$secure
  "$fetch" "$address" "$work/refused_$kind.bin" >"$work/refused_$kind.out" 2>/dev/null || rc=$?
  [ "$rc" = 2 ] || fail "$kind through a 407 proxy: exit code $rc, expected 2"
  [ "$(message_of "$work/refused_$kind.out")" = "$proxy_message" ] ||
    fail "$kind through a 407 proxy: wrong message: $(cat "$work/refused_$kind.out")"
done
echo "== a proxy that asks for credentials, every mirror behind it"
rc=0
"$fetch" "$secure" "$work/refused_mirrors.bin" --mirror "$plain" >"$work/refused_mirrors.out" 2>/dev/null || rc=$?
[ "$rc" = 2 ] || fail "mirrors through a 407 proxy: exit code $rc, expected 2"
[ "$(message_of "$work/refused_mirrors.out")" = "$proxy_message" ] ||
  fail "mirrors through a 407 proxy: wrong message: $(cat "$work/refused_mirrors.out")"
echo "all proxy download cases passed"
