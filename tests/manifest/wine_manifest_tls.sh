#!/usr/bin/env bash
# The Windows launcher (the 32-bit product where it runs, see use_product_build) under Wine
# fetches its manifest over https through WinINet (INTERNET_FLAG_SECURE) from nginx on
# loopback, with the run's test authority in the prefix's ROOT store (trust-root.exe), also
# from a whole https:// address with a path and query of its own; a
# server whose certificate comes from an untrusted authority gets no request and the
# secondary is asked. Servers are named "localhost": Wine's SSL policy does not match a
# certificate's IP-address names.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=${LAUNCHER_SOURCE:?}
source "$here/../support/e2e_common.bash"
for tool in nginx openssl; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 0; }
done
source "$src/tests/download/lib/nginx.bash"
source "$src/tests/download/lib/test_ca.bash"
work=$(mktemp -d /tmp/wine_manifest_tls.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
launcher_pid=
cleanup() {
  [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null || true
  nginx_stop
  stop_wineserver
  rm -rf "$work"
}
trap cleanup EXIT
use_product_build
exe=${WINE_LAUNCHER:-$(windows_build launcher.exe)}
trust=$(windows_build trust-root.exe)
[ -n "$exe" ] || { echo "SKIP: no ${windows_bits}-bit launcher.exe built"; exit 0; }
[ -n "$trust" ] || { echo "SKIP: no ${windows_bits}-bit trust-root.exe built"; exit 0; }
fail() {
  echo "FAIL: $*"
  echo "--- launcher"; cat "$work/out" || true
  # Why an address failed is only in the support log.
  echo "--- launcher.log"; tail -n 20 "$work/client/launcher.log" 2>/dev/null || true
  echo "--- nginx"; cat "$NGINX_DIR/logs/bytes.log" || true
  tail -n 20 "$NGINX_DIR/logs/error.log" 2>/dev/null || true
  exit 1
}
winpath() { printf 'Z:%s' "${1//\//\\}"; }

mkdir -p "$work/client"
cp "$exe" "$work/client/launcher.exe"
cp "$trust" "$work/trust-root.exe"
: > "$work/client/Client.exe"
test_ca_make "$work/ca" || fail "could not make the test authority"
NGINX_TLS=$work/ca nginx_start 1m
mkdir -p "$NGINX_DIR/www/dlq" "$NGINX_DIR/www/buding/dlq"
printf '<UpdateInfo><ServerList><Server name="over-tls" Lip="" Lport="1"/></ServerList><Launcher ver="0.0.1"/></UpdateInfo>\n' \
  >"$NGINX_DIR/www/dlq/UpdateInfo_test.xml"
printf '<UpdateInfo><ServerList><Server name="fallback" Lip="" Lport="1"/></ServerList><Launcher ver="0.0.1"/></UpdateInfo>\n' \
  >"$NGINX_DIR/www/buding/dlq/UpdateInfo_test.xml"
mkdir -p "$NGINX_DIR/www/store/game"
printf '<UpdateInfo><ServerList><Server name="at-its-own-path" Lip="" Lport="1"/></ServerList><Launcher ver="0.0.1"/></UpdateInfo>\n' \
  >"$NGINX_DIR/www/store/game/Info.xml"
timeout 300 "$wine" "$work/trust-root.exe" "$(winpath "$work/ca/ca.pem")" >/dev/null 2>&1 || fail "trust-root.exe"

run_launcher() { # primary port, secondary port, secondary scheme[, whole primary address]
  local primary="primary = localhost
primary_port = $1
primary_scheme = https"
  [ -n "${4:-}" ] && primary="primary = $4"
  cat >"$work/endpoints.ini" <<INI
[manifest]
$primary
secondary = localhost
secondary_port = $2
secondary_scheme = $3
[web]
announcement = 127.0.0.1:9
INI
  : >"$NGINX_DIR/logs/bytes.log"
  timeout 240 "$wine" "$work/client/launcher.exe" --headless --auto-update \
    --endpoints "$(winpath "$work/endpoints.ini")" >"$work/out" 2>&1 &
  launcher_pid=$!
  wait "$launcher_pid" && rc=0 || rc=$?
  launcher_pid=
  [ "$rc" = 124 ] && fail "the launcher did not end within 240 s"
  return 0
}

echo "== manifest over https through WinINet"
run_launcher "$NGINX_TLS_PORT" "$NGINX_PORT" http
grep -q '^/dlq/UpdateInfo_test.xml?t=[0-9]* 200 ' "$NGINX_DIR/logs/bytes.log" || fail "no https request reached the primary"
grep -q '^/buding/' "$NGINX_DIR/logs/bytes.log" && fail "the secondary was asked"
if [ -s "$work/out" ]; then
  grep -q 'item added "over-tls"' "$work/out" || fail "the https manifest's line is not listed"
fi

echo "== manifest at a whole https address with its own path and query"
run_launcher "" "$NGINX_PORT" http "https://localhost:$NGINX_TLS_PORT/store/game/Info.xml?k=1"
grep -q '^/store/game/Info.xml?k=1&t=[0-9]* 200 ' "$NGINX_DIR/logs/bytes.log" || fail "no request for the address's path"
grep -q '^/buding/' "$NGINX_DIR/logs/bytes.log" && fail "the secondary was asked"
if [ -s "$work/out" ]; then
  grep -q 'item added "at-its-own-path"' "$work/out" || fail "the manifest at the address's path is not listed"
fi

echo "== an untrusted certificate: no request, the secondary is asked"
run_launcher "$NGINX_UNTRUSTED_PORT" "$NGINX_PORT" http
grep -q '^/dlq/' "$NGINX_DIR/logs/bytes.log" && fail "a request went to the server with the untrusted certificate"
grep -q '^/buding/dlq/UpdateInfo_test.xml?t=[0-9]* 200 ' "$NGINX_DIR/logs/bytes.log" || fail "no fallback to the secondary"
echo "wine manifest fetch over https through WinINet (${windows_bits}-bit build): passed"
