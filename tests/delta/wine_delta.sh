#!/usr/bin/env bash
# The Windows launcher (the 32-bit product, see use_product_build) under Wine, headless, updates
# version 1 of three large files to version 2 by their chunk indexes, against nginx of our own
# on loopback (the manifest comes from the stand-in server): each file byte for byte, nginx's
# bytes per file within the bounds of a delta, the launcher's note on each.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
source "$here/../support/e2e_common.bash"
source "$here/../download/lib/nginx.bash"
maker=$(built_tool manifest-maker)
source "$here/delta_release.bash"

work=$(mktemp -d /tmp/delta-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=wineserver
client=$work/client
standin_pid="" launcher_pid=""
cleanup() {
  stop_wineserver
  for pid in "$launcher_pid" "$standin_pid"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; done
  nginx_stop
  wait 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
use_product_build
exe=$(windows_build launcher.exe)
[ -n "$exe" ] || { echo "no ${windows_bits}-bit launcher.exe: build it first (./run build)" >&2; exit 1; }

# Served from under /limited/, each connection paced to 8 MiB/s, as in linux_delta.sh.
nginx_start 8m
mkdir -p "$client" "$work/empty"
: > "$client/Client.exe"
cp "$exe" "$client/launcher.exe"
make_versions "$work/v1" "$NGINX_DIR/www/v2"
cp "$work/v1"/*.pak "$client/"
write_template "$work/template.xml"
make_delta_manifest "$NGINX_DIR/www/v2" "http://127.0.0.1:$NGINX_PORT/limited/v2" "$work/manifest.xml"
start_standin "$work/manifest.xml" "$work/empty" "$work/standin.log"
write_endpoints "$work/endpoints.ini"

fetch=$(windows_build launcher-fetch.exe)
[ -n "$fetch" ] || { echo "no ${windows_bits}-bit launcher-fetch.exe: build it first (./run build)" >&2; exit 1; }
measure_whole_reference "$NGINX_DIR/logs/bytes.log" "$NGINX_DIR/www/v2" /limited "http://127.0.0.1:$NGINX_PORT/limited" \
  "$(windows_path "$work/ref.bin")" "$wine" "$fetch" || exit 1

echo "version 1 to version 2 under Wine"
(cd "$client" && exec "$wine" "$client/launcher.exe" --headless --auto-update \
  --endpoints "$(windows_path "$work/endpoints.ini")") > "$work/run.log" 2>&1 &
launcher_pid=$!
for ((i = 0; i < 1500; i++)); do kill -0 "$launcher_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$launcher_pid" 2>/dev/null; then tail -20 "$work/run.log"; echo "FAIL: the launcher did not end"; exit 1; fi
wait "$launcher_pid" 2>/dev/null || true
launcher_pid=""
grep -qF '"更新完毕, 祝你游戏愉快！"' "$work/run.log" || { tail -20 "$work/run.log"; echo "FAIL: the update did not finish"; exit 1; }
check_delta_update "$work/v1" "$NGINX_DIR/www/v2" /limited/v2 "$NGINX_DIR/logs/bytes.log" ||
  { grep -F -e ' delta' -e ' download' "$client/launcher.log" | tail -20; exit 1; }
iconv -f UTF-8 -t UTF-8 "$client/launcher.log" > /dev/null
echo "delta under wine: all steps passed"
