#!/usr/bin/env bash
# The headless Linux launcher, pointed at the stand-in operator server, probes the chosen
# line's login server and, once it answers, starts the test Client.exe: the client's
# arguments, working directory and vf.ini must match byte for byte. Two starts in one
# folder give two clients.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
source "$src/tests/manifest/support/standin.sh"
work=$(mktemp -d /tmp/launch_e2e.XXXXXX)
trap 'standin_stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; echo "--- launcher"; cat "$work/out" 2>/dev/null || true; echo "--- server"; cat "$work/standin.log" 2>/dev/null || true; exit 1; }

client="$work/client"
mkdir -p "$client"
cp "$build/tools/test-client" "$client/Client.exe"
printf '[video]\r\nwidth=800\r\n[aaa]\r\nbbb=old\r\n' > "$client/vf.ini"
# The first line's name is GBK (一线); its login server sends the 4 bytes.
printf '<?xml version="1.0" encoding="gb2312"?>\n<UpdateInfo><ServerList>' > "$work/manifest.xml"
printf '<Server name="\xd2\xbb\xcf\xdf" Lip="127.0.0.1" Lport="@LOGIN_PORT_1@" Mip="10.0.0.9" Mport="7000" sublocale="zh_CN" version="1.0.3"/>' >> "$work/manifest.xml"
printf '<Server name="two" Lip="127.0.0.2" Lport="1" Mip="" Mport="" sublocale="" version="2"/>' >> "$work/manifest.xml"
printf '</ServerList><Launcher ver="0.0.1"/></UpdateInfo>\n' >> "$work/manifest.xml"

standin_start "$work" --manifest "$work/manifest.xml" --expand --primary-port 0 --secondary-port 0 --login 0
standin_endpoints 127.0.0.1:9 > "$work/endpoints.ini"

start_once() {
  timeout 60 "$build/launcher" --headless --auto-start --run-dir "$client" --endpoints "$work/endpoints.ini" \
    > "$work/out" 2>&1 || fail "launcher exit code $?"
}
wait_record() {  # number
  for _ in $(seq 1 1200); do
    [ -e "$client/client_record/$1/complete" ] && return 0
    sleep 0.05
  done
  fail "no client record $1"
}

start_once
wait_record 1
r="$client/client_record/1"
printf 'code:1622\nlogip:127.0.0.1\nlogport:%s\nchatip:10.0.0.9\nchatport:7000\nsetting:file://data/features.xml=Regular, China\nsublocale:zh_CN\n' \
  "$port_login1" > "$work/want_args"
cmp "$work/want_args" "$r/args" || { diff "$work/want_args" "$r/args"; fail "arguments differ"; }
printf '%%1' | cmp - "$r/argv0" || fail "program-name argument is not %1"
printf '%s' "$client" | cmp - "$r/cwd" || fail "working directory $(cat "$r/cwd")"
printf '[video]\r\nwidth=800\r\n[aaa]\r\nbbb=1.0.3\r\n' | cmp - "$r/vf.ini" || fail "vf.ini as the client saw it"
grep -q 'login:' "$work/standin.log" || fail "the login server was never probed"

start_once
wait_record 2
cmp "$r/args" "$client/client_record/2/args" || fail "second start differs"
echo "client start: arguments, working directory and vf.ini match"
