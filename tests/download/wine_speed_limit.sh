#!/usr/bin/env bash
# The speed limit and pause on the 32-bit product under Wine, headless, its lines handed
# through a pipe (see lib/speed_limit.bash).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
source "$here/../support/e2e_common.bash"
source "$here/lib/nginx.bash"
maker=$(built_tool manifest-maker)
launcher_name=launcher.exe

work=$(mktemp -d /tmp/speed-limit-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=wineserver
client=$work/client
standin_pid="" run_pid=""
cleanup() {
  set +e
  exec 3>&- 2>/dev/null
  [ -n "$run_pid" ] && kill "$run_pid" 2>/dev/null
  stop_wineserver
  [ -n "$run_pid" ] && wait "$run_pid" 2>/dev/null
  [ -n "$standin_pid" ] && { kill "$standin_pid" 2>/dev/null; wait "$standin_pid" 2>/dev/null; }
  nginx_stop
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
use_product_build
launcher=$(windows_build launcher.exe)
[ -n "$launcher" ] || { echo "no ${windows_bits}-bit launcher.exe: build it first (./run build)" >&2; exit 1; }
run_launcher() (
  cd "$client"
  exec timeout 200 "$wine" "$client/launcher.exe" --headless --endpoints "$(windows_path "$work/endpoints.ini")" --auto-update "$@"
)
source "$here/lib/speed_limit.bash"
