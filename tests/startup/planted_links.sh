#!/usr/bin/env bash
# The Linux launcher updates a client folder where someone planted things under the names of
# the files it makes: launcher.log is a FIFO nobody reads, the download's .tmp a link to a
# file elsewhere, and DownloadCache itself a link to a folder moved to another place on
# purpose. The launcher neither waits for the FIFO nor writes through the link: the file
# elsewhere keeps its bytes, the patch arrives whole through the linked folder, and the log
# is a file of its own with the run's lines.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
source "$src/tests/manifest/support/standin.sh"
work=$(mktemp -d /tmp/planted.XXXXXX)
trap 'standin_stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/run.log" 2>/dev/null; exit 1; }

client=$work/client
mkdir -p "$client" "$work/files" "$work/moved/DownloadCache" "$work/elsewhere"
: > "$client/Client.exe"
head -c 300000 /dev/urandom > "$work/files/new.pak"
echo "not the launcher's" > "$work/elsewhere/victim"
cp "$work/elsewhere/victim" "$work/victim.before"
mkfifo "$client/launcher.log"
ln -s "$work/moved/DownloadCache" "$client/DownloadCache"
ln -s "$work/elsewhere/victim" "$work/moved/DownloadCache/new.pak.tmp"
printf '<?xml version="1.0" encoding="gb2312"?>\n<UpdateInfo><ServerList><S name="one" Lip="127.0.0.1" Lport="9" Mip="127.0.0.1" Mport="9" sublocale="1" version="1"/></ServerList><Launcher ver="0.0.1"/><PatchList><Patch name="new.pak" path="" size="300000" CheckCode="" url="http://@HOST@:@FILES_PORT@/new.pak" isupdate="true"/></PatchList></UpdateInfo>\n' \
  > "$work/manifest.xml"

standin_start "$work" --manifest "$work/manifest.xml" --expand --primary-port 0 --secondary-port 0 \
  --files "$work/files" --files-port 0
standin_endpoints 127.0.0.1:9 > "$work/endpoints.ini"
code=0
timeout 60 "$build/launcher" --headless --auto-update --run-dir "$client" --endpoints "$work/endpoints.ini" \
  > "$work/run.log" 2>&1 || code=$?
[ "$code" -eq 0 ] || fail "exit code $code"
cmp "$work/victim.before" "$work/elsewhere/victim" || fail "the file elsewhere was written through the link"
cmp "$work/files/new.pak" "$client/new.pak" || fail "the patch did not arrive whole"
[ -z "$(ls -A "$work/moved/DownloadCache")" ] || fail "left in the cache: $(ls -A "$work/moved/DownloadCache")"
[ -f "$client/launcher.log" ] && [ ! -p "$client/launcher.log" ] || fail "the log is not a file of its own"
grep -q ' start: launcher ' "$client/launcher.log" || fail "the log lacks its start line"
grep -q ' install .*new.pak' "$client/launcher.log" || fail "the log lacks the installation"
echo "ok     planted FIFO and link: not followed, the update completes through the linked folder"
