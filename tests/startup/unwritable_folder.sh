#!/usr/bin/env bash
# The Linux launcher in a client folder it cannot change (a read-only mount, as root ignores
# file modes):
#   1. nothing to update: no question, the game starts (--auto-start), the folder unchanged;
#   2. a patch pending (--auto-update): the yes/no question naming the folder comes before
#      any download, the headless run answers no, and the launcher ends with exit code 0,
#      nothing fetched and nothing written.
set -euo pipefail
# Mounts made in a private mount namespace go away with it, however the test ends.
if [ "$(id -u)" -eq 0 ] && [ -z "${RO_IN_NAMESPACE:-}" ]; then
  if unshare -m true 2>/dev/null; then
    RO_IN_NAMESPACE=1 exec unshare -m --propagation private bash "$0" "$@"
  fi
  printf '%s\n' "################################################################" \
    "WARNING: root without a private mount namespace: no folder here is unwritable." \
    "WARNING: the read-only client folder cases are SKIPPED." \
    "################################################################"
  exit 0
fi
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
source "$src/tests/manifest/support/standin.sh"
launcher=$build/launcher
work=$(mktemp -d /tmp/unwritable.XXXXXX)
client="$work/客户端 folder"
cleanup() {
  set +e
  standin_stop
  umount "$client" 2>/dev/null
  chmod -R u+w "$work"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/run.log" "$work/standin.log" 2>/dev/null; exit 1; }

mkdir -p "$client" "$work/files"
cp "$build/tools/test-client" "$client/Client.exe"
head -c 4096 /dev/urandom > "$work/files/new.pak"
export TEST_CLIENT_RECORD=$work/client_record

# Manifest $1 with patch list $2; the line's login server answers, so start-game is enabled.
write_manifest() {
  printf '<?xml version="1.0" encoding="gb2312"?>\n<UpdateInfo><ServerList>' > "$1"
  printf '<Server name="one" Lip="127.0.0.1" Lport="@LOGIN_PORT_1@" Mip="127.0.0.1" Mport="7000" sublocale="zh_CN" version="1.0.3"/>' >> "$1"
  printf '</ServerList><Launcher ver="0.0.1"/><PatchList>%s</PatchList></UpdateInfo>\n' "$2" >> "$1"
}

make_read_only() {
  if [ "$(id -u)" -eq 0 ]; then
    mount --bind "$client" "$client"
    mount -o remount,bind,ro "$client"
  else
    chmod 555 "$client"
  fi
  if touch "$client/probe" 2>/dev/null; then fail "the client folder is still writable"; fi
}

# Runs the launcher in the read-only folder against manifest $1 with options $2...; exit code in $code.
run_launcher() {
  local manifest=$1
  shift
  standin_start "$work" --manifest "$manifest" --expand --primary-port 0 --secondary-port 0 --login 0 \
    --files "$work/files" --files-port 0
  standin_endpoints 127.0.0.1:9 > "$work/endpoints.ini"
  code=0
  timeout 60 "$launcher" --headless --run-dir "$client" --endpoints "$work/endpoints.ini" "$@" \
    > "$work/run.log" 2>&1 || code=$?
  standin_stop
}

show_run() { [ -z "${SHOW_RUNS:-}" ] || cat "$work/run.log" "$work/standin.log"; }
expect_folder_unchanged() {
  show_run
  [ "$(ls -A "$client")" = "Client.exe" ] || fail "the folder changed: $(ls -A "$client")"
}

write_manifest "$work/current.xml" ""
write_manifest "$work/pending.xml" \
  '<Patch name="new.pak" path="" size="4096" CheckCode="" url="http://@HOST@:@FILES_PORT@/new.pak" isupdate="true"/>'
make_read_only

echo "== nothing to update: the game starts"
run_launcher "$work/current.xml" --auto-start
[ "$code" -eq 0 ] || fail "exit code $code"
grep -q '^question: ' "$work/run.log" && fail "a question was asked"
for _ in $(seq 1 100); do [ -s "$work/client_record/1/args" ] && break; sleep 0.05; done
[ -s "$work/client_record/1/args" ] || fail "the game was not started"
expect_folder_unchanged

echo "== a patch pending: the question before the download"
run_launcher "$work/pending.xml" --auto-update
[ "$code" -eq 5 ] || fail "exit code $code, not 5 (update failed)"
grep -q '^question: "登录器无法写入文件夹: .*客户端 folder$' "$work/run.log" || fail "no question naming the folder"
grep -q '是否以管理员身份重新启动登录器?" -> no$' "$work/run.log" || fail "the question was not answered no"
[ "$(grep -c '^question: ' "$work/run.log")" -eq 1 ] || fail "not exactly one question"
grep -q 'pressing start-update' "$work/run.log" || fail "the update was never started"
grep -q 'new.pak' "$work/standin.log" && fail "the patch was fetched"
expect_folder_unchanged
echo "ok     a read-only client folder: plays without a question, asks before an update"
