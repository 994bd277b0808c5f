#!/usr/bin/env bash
# The Linux launcher fetches its manifest over https (manifest.primary_scheme in its endpoints
# file, or a whole https:// address with its own path) from nginx on loopback, trusting a test
# authority made for this run only; a server whose certificate is not trusted counts as an
# unusable address and the secondary is asked.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=${LAUNCHER_SOURCE:?}
source "$here/support/instance.sh"
launcher=${LAUNCHER_BUILD:?}/launcher
for tool in nginx openssl; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 0; }
done
source "$src/tests/download/lib/nginx.bash"
source "$src/tests/download/lib/test_ca.bash"
work=$(mktemp -d /tmp/manifest_tls.XXXXXX)
trap 'nginx_stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; echo "--- launcher"; cat "$work/out" || true; exit 1; }
mkdir -p "$work/client"
touch "$work/client/Client.exe"
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
export SSL_CERT_FILE=$work/ca/ca.pem
unset SSL_CERT_DIR

run_launcher() { # primary port, secondary port, secondary scheme[, whole primary address]
  local primary="primary = 127.0.0.1
primary_port = $1
primary_scheme = https"
  [ -n "${4:-}" ] && primary="primary = $4"
  cat >"$work/endpoints.ini" <<INI
[manifest]
$primary
secondary = 127.0.0.1
secondary_port = $2
secondary_scheme = $3
[web]
announcement = 127.0.0.1:9
INI
  launcher_wait_alone
  timeout 60 "$launcher" --headless --auto-update --run-dir "$work/client" --endpoints "$work/endpoints.ini" >"$work/out" 2>&1
}

echo "== manifest over https"
run_launcher "$NGINX_TLS_PORT" "$NGINX_PORT" http || fail "launcher exit code $?"
grep -q 'item added "over-tls"' "$work/out" || fail "the https manifest's line is not listed"
grep -q 'item added "fallback"' "$work/out" && fail "the secondary was used"

echo "== manifest at a whole https address with its own path"
run_launcher "" "$NGINX_PORT" http "https://127.0.0.1:$NGINX_TLS_PORT/store/game/Info.xml" || fail "launcher exit code $?"
grep -q 'item added "at-its-own-path"' "$work/out" || fail "the manifest at the address's path is not listed"
grep -q 'item added "fallback"' "$work/out" && fail "the secondary was used"
grep -q "^/store/game/Info.xml?t=[0-9]* 200 " "$NGINX_DIR/logs/bytes.log" || fail "nginx saw no request for the path"

echo "== an untrusted certificate makes the primary unusable"
run_launcher "$NGINX_UNTRUSTED_PORT" "$NGINX_PORT" http || fail "launcher exit code $?"
grep -q 'item added "fallback"' "$work/out" || fail "no fallback after an untrusted certificate"
grep -q 'item added "over-tls"' "$work/out" && fail "a manifest behind an untrusted certificate was used"

echo "== both refused"
rc=0
run_launcher "$NGINX_WRONGNAME_PORT" "$NGINX_UNTRUSTED_PORT" https || rc=$?
[ "$rc" = 6 ] || fail "no usable manifest gave exit code $rc, not 6"
grep -q '^message: "读远程配置文件错误' "$work/out" || fail "no failure message"
grep -q 'item added' "$work/out" && fail "lines listed without a trusted manifest"
echo "launcher manifest over TLS: all cases passed"
