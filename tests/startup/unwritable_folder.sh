#!/usr/bin/env bash
# The Linux launcher in a client folder it cannot change (a read-only mount, as root ignores
# file modes): it names the folder in a yes/no question, the headless run answers no, and the
# launcher ends with exit code 0 without writing anything or setting up its window.
set -euo pipefail
launcher=${LAUNCHER_BUILD:?}/launcher
work=$(mktemp -d)
cleanup() { set +e; chmod -R u+w "$work"; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/run.log" 2>/dev/null; exit 1; }

client="$work/客户端 folder"
mkdir -p "$client"
touch "$client/Client.exe"
# Nothing should be fetched; should the check let the run go on, it meets a closed loopback port.
printf '[manifest]\nprimary = 127.0.0.1\nsecondary = 127.0.0.1\nprimary_port = 1\nsecondary_port = 1\n[web]\nannouncement = 127.0.0.1\n' \
  >"$work/endpoints.ini"

run_read_only() {
  if [ "$(id -u)" -ne 0 ]; then
    chmod 555 "$client"
    timeout 30 "$launcher" --run-dir "$client" --endpoints "$work/endpoints.ini"
  elif unshare -m true 2>/dev/null; then
    unshare -m sh -c 'mount --bind -o ro "$1" "$1" && exec timeout 30 "$2" --run-dir "$1" --endpoints "$3"' \
      sh "$client" "$launcher" "$work/endpoints.ini"
  else
    echo "SKIP: running as root without a private mount namespace: no folder here is unwritable"
    exit 0
  fi
}

code=0
run_read_only >"$work/run.log" 2>&1 || code=$?
[ "$code" -eq 0 ] || fail "exit code $code"
grep -q '^question: "登录器无法写入文件夹: .*客户端 folder$' "$work/run.log" || fail "no question naming the folder"
grep -q '是否以管理员身份重新启动登录器?" -> no$' "$work/run.log" || fail "the question was not answered no"
[ "$(grep -c '^question: ' "$work/run.log")" -eq 1 ] || fail "not exactly one question"
grep -q 'tray icon' "$work/run.log" && fail "the tray icon was installed"
[ "$(ls -A "$client")" = "Client.exe" ] || fail "the folder changed: $(ls -A "$client")"
echo "ok     an unwritable client folder: one question, answered no, the end"
