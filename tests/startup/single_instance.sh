#!/usr/bin/env bash
# The Linux launcher: a second start in the same session ends silently with exit code 0 and
# brings the first copy's window forward; a launcher outside a client folder creates its
# DownloadCache, shows its one message and ends (exit code 7, not a client folder).
set -euo pipefail
source_dir=${LAUNCHER_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
launcher=${LAUNCHER_BUILD:?}/launcher
source "$source_dir/tests/manifest/support/standin.sh"
work=$(mktemp -d)
first_pid=""
cleanup() { set +e; [ -n "$first_pid" ] && kill "$first_pid" 2>/dev/null; standin_stop; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; echo "--- first"; cat "$work/first.log" 2>/dev/null; exit 1; }

printf '<UpdateInfo><ServerList><s name="one" Lip="" Lport="1"/></ServerList><Launcher ver="0.0.1"/></UpdateInfo>\n' >"$work/manifest.xml"
standin_start "$work" --manifest "$work/manifest.xml" --primary-port 0 --secondary-port 0
standin_endpoints 127.0.0.1 >"$work/endpoints.ini"

# Outside a client folder: DownloadCache first, then the one message, then the end.
mkdir -p "$work/empty"
code=0
timeout 30 "$launcher" --run-dir "$work/empty" --endpoints "$work/endpoints.ini" >"$work/empty.log" 2>&1 || code=$?
[ "$code" = 7 ] || fail "exit code $code, not 7"
[ -d "$work/empty/DownloadCache" ] || fail "no DownloadCache outside a client folder"
grep -qx 'message: "请把登陆器放到游戏客户端运行.."' "$work/empty.log" || fail "missing message: $(cat "$work/empty.log")"
grep -q 'tray icon' "$work/empty.log" && fail "tray icon installed outside a client folder"
echo "ok     outside a client folder: DownloadCache, one message, the end"

mkdir -p "$work/client"
touch "$work/client/Client.exe"
"$launcher" --run-dir "$work/client" --endpoints "$work/endpoints.ini" >"$work/first.log" 2>&1 &
first_pid=$!
for _ in $(seq 100); do grep -q 'item added "one"' "$work/first.log" && break; sleep 0.1; done
grep -q 'item added "one"' "$work/first.log" || fail "the first copy did not load its manifest"

timeout 30 "$launcher" --run-dir "$work/client" --endpoints "$work/endpoints.ini" >"$work/second.log" 2>&1 || fail "second copy exit code $?"
[ ! -s "$work/second.log" ] || fail "the second copy showed something: $(cat "$work/second.log")"
for _ in $(seq 50); do grep -q 'window: brought forward' "$work/first.log" && break; sleep 0.1; done
grep -q 'window: brought forward' "$work/first.log" || fail "the first copy was not brought forward"
kill -0 "$first_pid" || fail "the first copy ended"
echo "ok     a second copy ends silently and brings the first forward"
