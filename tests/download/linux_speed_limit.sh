#!/usr/bin/env bash
# The speed limit and pause on the headless Linux launcher (see lib/speed_limit.bash).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
source "$here/../support/e2e_common.bash"
source "$here/lib/nginx.bash"
source "$here/../manifest/support/instance.sh"
maker=$(built_tool manifest-maker)
launcher=${LAUNCHER_DIST:-$build/none}/linux/launcher
[ -x "$launcher" ] || launcher=$build/launcher
launcher_name=launcher

work=$(mktemp -d /tmp/speed-limit.XXXXXX)
client=$work/client
standin_pid="" run_pid=""
export XDG_CONFIG_HOME=$work/config HOME=$work/home
cleanup() {
  set +e
  exec 3>&- 2>/dev/null
  [ -n "$run_pid" ] && { kill "$run_pid" 2>/dev/null; wait "$run_pid" 2>/dev/null; }
  [ -n "$standin_pid" ] && { kill "$standin_pid" 2>/dev/null; wait "$standin_pid" 2>/dev/null; }
  nginx_stop
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
run_launcher() (
  launcher_wait_alone
  exec timeout 200 "$client/launcher" --headless --endpoints "$work/endpoints.ini" --auto-update "$@"
)
source "$here/lib/speed_limit.bash"
