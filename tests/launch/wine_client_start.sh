#!/usr/bin/env bash
# The Windows launcher (the 32-bit product, see use_product_build) under Wine, against the stand-in operator server, starts the
# Windows test Client.exe through CreateProcess: the raw command line it receives, its working
# directory and the vf.ini written by WritePrivateProfileString must match byte for byte.
# Then the Linux launcher starts the same Windows Client.exe through Wine with the same arguments.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
source "$src/tests/support/e2e_common.bash"
work=$(mktemp -d /tmp/launch_wine.XXXXXX)
cleanup() {
  standin_stop
  stop_wineserver
  rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
use_product_build
launcher_exe=$(windows_build launcher.exe) client_exe=$(windows_build test-client.exe)
[ -n "$launcher_exe" ] || { echo "SKIP: no ${windows_bits}-bit Windows build of the launcher"; exit 0; }
[ -n "$client_exe" ] || { echo "SKIP: no ${windows_bits}-bit Windows build of the test client"; exit 0; }
fail() { echo "FAIL: $*"; echo "--- launcher"; cat "$work/out" 2>/dev/null || true; echo "--- server"; cat "$work/standin.log" 2>/dev/null || true; exit 1; }

client="$work/client"
mkdir -p "$client"
cp "$launcher_exe" "$client/launcher.exe"
cp "$client_exe" "$client/Client.exe"
printf '[video]\r\nwidth=800\r\n[aaa]\r\nbbb=old\r\n' > "$client/vf.ini"
printf '<?xml version="1.0" encoding="gb2312"?>\n<UpdateInfo><ServerList>' > "$work/manifest.xml"
printf '<Server name="\xd2\xbb\xcf\xdf" Lip="127.0.0.1" Lport="@LOGIN_PORT_1@" Mip="10.0.0.9" Mport="7000" sublocale="zh_CN" version="1.0.3"/>' >> "$work/manifest.xml"
printf '</ServerList><Launcher ver="0.0.1"/></UpdateInfo>\n' >> "$work/manifest.xml"
standin_start "$work" --manifest "$work/manifest.xml" --expand --primary-port 0 --secondary-port 0 --login 0
# Written the Windows way, with CR LF line ends.
standin_endpoints 127.0.0.1:9 | sed 's/$/\r/' > "$client/endpoints.ini"

(cd "$client" && timeout 300 "$wine" ./launcher.exe --headless --auto-start --endpoints endpoints.ini > "$work/out" 2>&1) ||
  fail "launcher.exe exit code $?"
r="$client/client_record/1"
for _ in $(seq 1 1200); do [ -e "$r/complete" ] && break; sleep 0.1; done
[ -s "$r/command_line" ] || fail "no client record"
printf '%%1 code:1622 logip:127.0.0.1 logport:%s chatip:10.0.0.9 chatport:7000 setting:"file://data/features.xml=Regular, China" sublocale:zh_CN' \
  "$port_login1" | cmp - "$r/command_line" || { echo "got: $(cat "$r/command_line")"; fail "command line differs"; }
printf 'Z:%s' "${client//\//\\}" | cmp - "$r/cwd" || fail "working directory $(cat "$r/cwd")"
cmp <(printf '[video]\r\nwidth=800\r\n[aaa]\r\nbbb=1.0.3\r\n') "$r/vf.ini" || { od -c "$r/vf.ini" | head; fail "vf.ini as the client saw it"; }

# The Linux launcher hands a Windows Client.exe to Wine: the client sees the same arguments.
# It takes the first "wine" on PATH: here the loader chosen above, for the build of the client.
mkdir -p "$work/bin"
printf '#!/bin/sh\nexec "%s" "$@"\n' "$wine" > "$work/bin/wine"
chmod +x "$work/bin/wine"
export PATH="$work/bin:$PATH"
standin_endpoints 127.0.0.1:9 > "$work/endpoints.ini"
timeout 300 "$build/launcher" --headless --auto-start --run-dir "$client" --endpoints "$work/endpoints.ini" > "$work/out" 2>&1 ||
  fail "Linux launcher exit code $?"
r="$client/client_record/2"
for _ in $(seq 1 1200); do [ -e "$r/complete" ] && break; sleep 0.1; done
[ -s "$r/args" ] || fail "no record from the client started through Wine"
cmp "$client/client_record/1/args" "$r/args" || { diff "$client/client_record/1/args" "$r/args"; fail "arguments through Wine differ"; }
cmp "$client/client_record/1/cwd" "$r/cwd" || fail "working directory through Wine $(cat "$r/cwd")"
echo "wine client start: command line, working directory and vf.ini match, also when started through Wine from Linux"
