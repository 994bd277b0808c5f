#!/usr/bin/env bash
# A headless run says how it ended: a command line it does not understand (2, with the usage,
# before anything is read or fetched), no usable manifest (6), no client folder (7), and
# --version (0, the version alone).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/e2e_common.bash"
source "$here/../manifest/support/instance.sh"
launcher=${LAUNCHER_BUILD:?}/launcher
work=$(mktemp -d /tmp/exit-codes.XXXXXX)
trap 'standin_stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/out" 2>/dev/null || true; exit 1; }
mkdir -p "$work/client" "$work/empty"
: > "$work/client/Client.exe"
# No ServerList: a manifest the launcher refuses.
printf '<?xml version="1.0" encoding="gb2312"?>\n<UpdateInfo><Launcher ver="0.0.1"/></UpdateInfo>\n' \
  > "$work/refused.xml"
standin_start "$work" --manifest "$work/refused.xml" --primary-port 0 --secondary-port 0
standin_endpoints 127.0.0.1:9 > "$work/endpoints.ini"

# Exit code of the launcher run with these arguments, its output in $work/out.
run() {
  local code=0
  launcher_wait_alone
  timeout 60 "$launcher" "$@" > "$work/out" 2>&1 || code=$?
  echo "$code"
}

[ "$(run --headless --run-dir "$work/client" --endpoints "$work/endpoints.ini")" = 6 ] || fail "refused manifest: not 6"
grep -q '^message: "读远程配置文件错误' "$work/out" || fail "no message for the refused manifest"
[ "$(run --headless --run-dir "$work/empty" --endpoints "$work/endpoints.ini")" = 7 ] || fail "no client folder: not 7"
grep -q '^message: "请把登陆器放到游戏客户端运行.."' "$work/out" || fail "no message for the missing client"
requests=$(grep -c '"GET' "$work/standin.log")
[ "$(run --headless --run-dir "$work/client" --endpoints "$work/endpoints.ini" --auto-updat)" = 2 ] ||
  fail "unknown option: not 2"
grep -q '^launcher: unknown option --auto-updat$' "$work/out" || fail "the unknown option is not named"
grep -q '^usage: launcher ' "$work/out" || fail "no usage"
[ "$(grep -c '"GET' "$work/standin.log")" = "$requests" ] || fail "a refused command line fetched the manifest"
[ "$(run --version)" = 0 ] || fail "--version: not 0"
[ "$(cat "$work/out")" = "$(sed -n 's/^#define LAUNCHER_VERSION_TEXT "\(.*\)"$/\1/p' "$LAUNCHER_BUILD/generated/launcher_version_value.h")" ] ||
  fail "--version printed something else than the build's version"
echo "headless exit codes: 6, 7, 2 and --version as documented"
