#!/usr/bin/env bash
# The x86_64 Windows build of launcher-fetch under wine64 over TLS (Schannel through SSPI, the
# certificate checked with CertGetCertificateChain and the SSL policy) against nginx on
# loopback, with the run's test authority put into the prefix's ROOT store by trust-root.exe:
# a download and a plain-HTTP address redirected to HTTPS arrive byte-identical, a certificate
# of an untrusted authority and one for another host name are refused with the player's
# message, and beside a good mirror such a server is left and the file completes from the good
# one; and a download through tinyproxy named in the prefix's Internet settings
# (ProxyEnable/ProxyServer, read through WinHTTP), plain and tunneled, past it for an address in
# the bypass list, and through the proxy a configuration script (PAC, run by
# WinHttpGetProxyForUrl) names.
# Servers are named "localhost": Wine's SSL policy check does not match a certificate's
# IP-address names, so an address like 127.0.0.1 is refused there whatever its certificate.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
source "$src/tests/support/e2e_common.bash"
exe=${FETCH_EXE:-$(windows_build launcher-fetch.exe)}
trust=$(windows_build trust-root.exe)
[ -n "$exe" ] || { echo "SKIP: no x86_64 Windows build of launcher-fetch"; exit 0; }
[ -n "$trust" ] || { echo "SKIP: no x86_64 Windows build of trust-root"; exit 0; }
require_wine
for tool in nginx openssl; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 0; }
done
source "$src/tests/download/lib/nginx.bash"
source "$src/tests/download/lib/test_ca.bash"
source "$src/tests/download/lib/messages.bash"
source "$src/tests/download/lib/tinyproxy.bash"
work=$(mktemp -d /tmp/dl_wine_tls.XXXXXX)
cleanup() {
  tinyproxy_stop
  nginx_stop
  [ -d "$work/prefix" ] && WINEPREFIX="$work/prefix" stop_wineserver
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_prefix_ready
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY
test_ca_make "$work/ca" || fail "could not make the test authority"
NGINX_TLS=$work/ca nginx_start 4m
head -c $((2 * 1024 * 1024 + 555)) /dev/urandom >"$NGINX_DIR/www/file.bin"
cp "$exe" "$work/launcher-fetch.exe"
cp "$trust" "$work/trust-root.exe"
cp "$work/ca/ca.pem" "$work/ca.pem"
winpath() { echo "Z:${1//\//\\}"; }
cert_message=$(gbk_hex "服务器证书验证失败,下载已停止,请联系游戏管理员!")
fetch() { # address, name -> exit code in rc, output in $work/name.out
  rc=0
  timeout 300 "$wine" "$work/launcher-fetch.exe" "$1" "$(winpath "$work/$2.bin")" >"$work/$2.out" 2>&1 || rc=$?
}

echo "== the test authority into the prefix's ROOT store"
timeout 300 "$wine" "$work/trust-root.exe" "$(winpath "$work/ca.pem")" || fail "trust-root.exe (exit $?)"

echo "== download over TLS"
fetch "https://localhost:$NGINX_TLS_PORT/limited/file.bin" secure
[ "$rc" = 0 ] || { cat "$work/secure.out"; fail "https download under wine (exit $rc)"; }
cmp "$NGINX_DIR/www/file.bin" "$work/secure.bin" || fail "https download differs"

echo "== plain HTTP redirected to HTTPS"
fetch "http://127.0.0.1:$NGINX_PORT/to_https_named.bin" upgraded
[ "$rc" = 0 ] || { cat "$work/upgraded.out"; fail "redirect to https under wine (exit $rc)"; }
cmp "$NGINX_DIR/www/file.bin" "$work/upgraded.bin" || fail "download redirected to https differs"

for case in untrusted:$NGINX_UNTRUSTED_PORT wrongname:$NGINX_WRONGNAME_PORT; do
  name=${case%%:*}
  echo "== $name certificate refused"
  fetch "https://localhost:${case##*:}/file.bin" "$name"
  [ "$rc" = 2 ] || { cat "$work/$name.out"; fail "$name: exit code $rc, expected 2"; }
  [ ! -e "$work/$name.bin" ] || fail "$name: a file was delivered"
  [ "$(message_of "$work/$name.out")" = "$cert_message" ] || fail "$name: wrong message: $(cat "$work/$name.out")"
done

echo "== a mirror whose certificate is refused beside a good one"
rc=0
timeout 300 "$wine" "$work/launcher-fetch.exe" "https://localhost:$NGINX_UNTRUSTED_PORT/limited/file.bin?t=mix" \
  "$(winpath "$work/mixed.bin")" --mirror "https://localhost:$NGINX_TLS_PORT/limited/file.bin?t=mix" \
  >"$work/mixed.out" 2>&1 || rc=$?
[ "$rc" = 0 ] || { cat "$work/mixed.out"; fail "untrusted mirror beside a good one under wine (exit $rc)"; }
cmp "$NGINX_DIR/www/file.bin" "$work/mixed.bin" || fail "download from the good mirror differs"

if command -v tinyproxy >/dev/null; then
  echo "== through the proxy of the Internet settings"
  tinyproxy_start
  key='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
  "$wine" reg add "$key" /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null 2>&1
  "$wine" reg add "$key" /v ProxyServer /t REG_SZ /d "127.0.0.1:$TINYPROXY_PORT" /f >/dev/null 2>&1
  # WinHTTP (Wine's as Windows') reads the settings from the connection record the Internet
  # options keep beside them: version 0x46, a counter, flags (1 direct, 2 proxy), then the
  # proxy list and the bypass list, each as a length and its bytes.
  proxy_text="127.0.0.1:$TINYPROXY_PORT"
  le32() { printf '%02x%02x%02x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
  record="$(le32 70)$(le32 1)$(le32 3)$(le32 ${#proxy_text})$(printf '%s' "$proxy_text" | od -An -tx1 | tr -d ' \n')"
  record+="$(le32 0)$(le32 0)$(le32 0)$(printf '%064d' 0)"
  "$wine" reg add "$key\Connections" /v DefaultConnectionSettings /t REG_BINARY /d "$record" /f >/dev/null 2>&1
  fetch "http://127.0.0.1:$NGINX_PORT/file.bin?t=wineproxy" proxied
  [ "$rc" = 0 ] || { cat "$work/proxied.out"; fail "download through the proxy under wine (exit $rc)"; }
  cmp "$NGINX_DIR/www/file.bin" "$work/proxied.bin" || fail "proxied download differs"
  grep -q "GET http://127.0.0.1:$NGINX_PORT/file.bin?t=wineproxy" "$TINYPROXY_DIR/tinyproxy.log" ||
    fail "the proxy saw no request from the Windows build"
  fetch "https://localhost:$NGINX_TLS_PORT/file.bin?t=winetunnel" tunneled
  [ "$rc" = 0 ] || { cat "$work/tunneled.out"; fail "download through the tunnel under wine (exit $rc)"; }
  cmp "$NGINX_DIR/www/file.bin" "$work/tunneled.bin" || fail "tunneled download differs"
  grep -q "CONNECT localhost:$NGINX_TLS_PORT" "$TINYPROXY_DIR/tinyproxy.log" || fail "the proxy saw no CONNECT"

  echo "== past the proxy for an address in the bypass list"
  bypass_text="example.invalid;127.0.0.1"
  record="$(le32 70)$(le32 3)$(le32 3)$(le32 ${#proxy_text})$(printf '%s' "$proxy_text" | od -An -tx1 | tr -d ' \n')"
  record+="$(le32 ${#bypass_text})$(printf '%s' "$bypass_text" | od -An -tx1 | tr -d ' \n')"
  record+="$(le32 0)$(le32 0)$(printf '%064d' 0)"
  "$wine" reg add "$key" /v ProxyOverride /t REG_SZ /d "$bypass_text" /f >/dev/null 2>&1
  "$wine" reg add "$key\Connections" /v DefaultConnectionSettings /t REG_BINARY /d "$record" /f >/dev/null 2>&1
  fetch "http://127.0.0.1:$NGINX_PORT/file.bin?t=winebypass" bypassed
  [ "$rc" = 0 ] || { cat "$work/bypassed.out"; fail "download past the proxy under wine (exit $rc)"; }
  cmp "$NGINX_DIR/www/file.bin" "$work/bypassed.bin" || fail "download past the proxy differs"
  if grep -q "t=winebypass" "$TINYPROXY_DIR/tinyproxy.log"; then fail "an address in the bypass list went through the proxy"; fi
  grep -q "t=winebypass" "$NGINX_DIR/logs/bytes.log" || fail "nginx never saw the download past the proxy"
  "$wine" reg delete "$key" /v ProxyOverride /f >/dev/null 2>&1

  echo "== through the proxy a configuration script names"
  # The same record with flag 4 (script) instead of 2: no fixed proxy, the script's address last.
  printf 'function FindProxyForURL(url, host) { return "PROXY 127.0.0.1:%s"; }\n' "$TINYPROXY_PORT" \
    >"$NGINX_DIR/www/proxy.pac"
  script_url="http://127.0.0.1:$NGINX_PORT/proxy.pac"
  record="$(le32 70)$(le32 2)$(le32 5)$(le32 0)$(le32 0)$(le32 ${#script_url})"
  record+="$(printf '%s' "$script_url" | od -An -tx1 | tr -d ' \n')$(le32 0)$(printf '%064d' 0)"
  "$wine" reg add "$key" /v ProxyEnable /t REG_DWORD /d 0 /f >/dev/null 2>&1
  "$wine" reg add "$key" /v AutoConfigURL /t REG_SZ /d "$script_url" /f >/dev/null 2>&1
  "$wine" reg add "$key\Connections" /v DefaultConnectionSettings /t REG_BINARY /d "$record" /f >/dev/null 2>&1
  fetch "http://127.0.0.1:$NGINX_PORT/file.bin?t=winescript" scripted
  [ "$rc" = 0 ] || { cat "$work/scripted.out"; fail "download through the script's proxy under wine (exit $rc)"; }
  cmp "$NGINX_DIR/www/file.bin" "$work/scripted.bin" || fail "download through the script's proxy differs"
  grep -q "GET http://127.0.0.1:$NGINX_PORT/file.bin?t=winescript" "$TINYPROXY_DIR/tinyproxy.log" ||
    fail "the script's proxy saw no request"
else
  echo "SKIP (proxy part): tinyproxy not installed"
fi
echo "all wine TLS cases passed"
