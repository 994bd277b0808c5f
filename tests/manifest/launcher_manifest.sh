#!/usr/bin/env bash
# The Linux launcher fetches its manifest from the stand-in server: fallback order, failure
# message, and a refused endpoints file.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/support/standin.sh"
source "$here/support/instance.sh"
launcher=${LAUNCHER_BUILD:?}/launcher
work=$(mktemp -d)
trap 'standin_stop; rm -rf "$work"' EXIT
mkdir -p "$work/client"
touch "$work/client/Client.exe"

manifest() {  # server names...
  printf '<?xml version="1.0" encoding="gb2312"?>\n<UpdateInfo><ServerList>'
  for n in "$@"; do printf '<Server name="%s" Lip="" Lport="1"/>' "$n"; done
  printf '</ServerList><Launcher ver="0.0.1"/></UpdateInfo>\n'
}
manifest first-a first-b > "$work/primary.xml"
manifest second-a > "$work/secondary.xml"

run_launcher() {  # output file
  cat > "$work/endpoints.ini" <<INI
[manifest]
primary = 127.0.0.1
primary_port = ${port_primary:-1}
secondary = 127.0.0.1
secondary_port = ${port_secondary:-1}
[web]
announcement = 127.0.0.1:9
INI
  launcher_wait_alone
  timeout 60 "$launcher" --headless --auto-update --run-dir "$work/client" --endpoints "$work/endpoints.ini" > "$1" 2>&1
}
fail() { echo "FAIL: $*"; echo "--- launcher"; cat "$work/out" || true; echo "--- server"; cat "$work/standin.log" || true; exit 1; }

# 1. A usable primary: its lines are listed and the secondary is never asked.
standin_start "$work" --primary-manifest "$work/primary.xml" --secondary-manifest "$work/secondary.xml" \
  --primary-port 0 --secondary-port 0
run_launcher "$work/out" || fail "launcher exit code $?"
grep -q 'item added "first-b"' "$work/out" || fail "primary lines not listed"
grep -q 'address http://127.0.0.1:9/bz01.html' "$work/out" || fail "announcement address"
grep -q '^.* primary .*"GET /dlq/UpdateInfo_test.xml?t=[0-9]\{1,10\} HTTP/1.0"' "$work/standin.log" || fail "primary request"
grep -q 'secondary [0-9.:]* "GET' "$work/standin.log" && fail "secondary asked"
grep -c '"GET' "$work/standin.log" | grep -qx 1 || fail "more than one request"
standin_stop

# 2. The primary answers an error page: the secondary is asked and used.
standin_start "$work" --primary-manifest "$work/primary.xml" --secondary-manifest "$work/secondary.xml" \
  --primary-port 0 --secondary-port 0 --fault primary:status=404
run_launcher "$work/out" || fail "launcher exit code $?"
grep -q 'item added "second-a"' "$work/out" || fail "secondary lines not listed"
grep -q 'item added "first' "$work/out" && fail "primary lines listed"
grep -q 'secondary .*"GET /buding/dlq/UpdateInfo_test.xml?t=' "$work/standin.log" || fail "secondary request"
standin_stop

# 3. No primary at all and a secondary that breaks off mid-document: one message, then the end.
port_primary=
standin_start "$work" --manifest "$work/primary.xml" --no-primary --secondary-port 0 --fault secondary:close-after=200
rc=0
run_launcher "$work/out" || rc=$?
[ "$rc" = 6 ] || fail "no usable manifest gave exit code $rc, not 6"
grep -q '^message: "读远程配置文件错误,请稍候再试吗，或下载最新版登录器尝试..."' "$work/out" || fail "no failure message"
grep -q 'item added' "$work/out" && fail "lines listed without a manifest"
grep -q '正在检查登陆器更新' "$work/out" && fail "self-update ran without a manifest"
standin_stop

# 4. An endpoints file that cannot be used ends the run before anything is fetched.
printf '[manifest]\nprimary_port = 99999\n' > "$work/bad.ini"
set +e
launcher_wait_alone
timeout 30 "$launcher" --headless --run-dir "$work/client" --endpoints "$work/bad.ini" > "$work/out" 2>&1
rc=$?
set -e
[ "$rc" = 2 ] || fail "bad endpoints file gave exit code $rc"
grep -q 'line 2' "$work/out" || fail "bad endpoints file not explained"
launcher_wait_alone
timeout 30 "$launcher" --headless --run-dir "$work/client" --endpoints "$work/missing.ini" > "$work/out" 2>&1 && fail "missing endpoints file accepted"
grep -q 'cannot read' "$work/out" || fail "missing endpoints file not explained"
echo "launcher manifest fetch: all cases passed"
