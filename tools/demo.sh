#!/usr/bin/env bash
# ./run demo: the launcher's main job against the stand-in operator server on loopback.
# A demo client folder under build/demo gets a manifest with two server lines and a few
# patches; the headless launcher checks itself, lists the lines, probes the first, downloads
# and installs the patches, then starts the (recording) game client and ends.
set -euo pipefail
top=$(cd "${1:-$(dirname "$0")/..}" && pwd)
dist=$top/dist/linux
demo=$top/build/demo
for tool in launcher standin-server manifest-maker; do
  [ -x "$dist/$tool" ] || { echo "demo: $dist/$tool is missing; run ./run build first" >&2; exit 1; }
done

rm -rf "$demo"
mkdir -p "$demo/client" "$demo/release/data/maps"
# The game client: the recording test client when it was built, else an empty stand-in.
if [ -x "$dist/test-client" ]; then cp "$dist/test-client" "$demo/client/Client.exe"; else : > "$demo/client/Client.exe"; fi
export TEST_CLIENT_RECORD=$demo/client_record

# The release: a few patch files, one of them already current in the client folder.
head -c 300000 /dev/urandom > "$demo/release/data/maps/map01.pak"
head -c 120000 /dev/urandom > "$demo/release/data/sound.pak"
printf 'patch notes of the demo release\r\n' > "$demo/release/notes.txt"
mkdir -p "$demo/client/data"
cp "$demo/release/data/sound.pak" "$demo/client/data/sound.pak"

# Two server lines: the first one's login server answers with its 4 bytes, the second is silent.
cat > "$demo/template.xml" <<'XML'
<?xml version="1.0" encoding="gb2312"?>
<UpdateInfo>
  <ServerList>
    <Server name="Demo line 1" Lip="127.0.0.1" Lport="@LOGIN_PORT_1@" Mip="127.0.0.1" Mport="7100" sublocale="1" version="demo-1"/>
    <Server name="Demo line 2" Lip="127.0.0.1" Lport="@LOGIN_PORT_2@" Mip="127.0.0.1" Mport="7200" sublocale="1" version="demo-2"/>
  </ServerList>
  <Launcher name="launcher" url="http://@HOST@:@FILES_PORT@/DLQ.exe" ver="0.0.1"/>
</UpdateInfo>
XML
"$dist/manifest-maker" --dir "$demo/release" --base-url "http://@HOST@:@FILES_PORT@" --existing "$demo/template.xml" \
  --header-code "*.pak" --out "$demo/manifest.xml"
echo "== manifest (ports are filled in by the stand-in server)"
cat "$demo/manifest.xml"

"$dist/standin-server" --manifest "$demo/manifest.xml" --primary-port 0 --secondary-port 0 \
  --files "$demo/release" --login 0:4 --login 0:0 --expand --ports-file "$demo/ports" --log "$demo/standin.log" &
server=$!
trap 'kill -TERM $server 2>/dev/null || true; wait $server 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [ -s "$demo/ports" ] && break; sleep 0.05; done
[ -s "$demo/ports" ] || { echo "demo: the stand-in server did not start" >&2; cat "$demo/standin.log" >&2; exit 1; }
primary=$(sed -n 's/^primary=//p' "$demo/ports")
secondary=$(sed -n 's/^secondary=//p' "$demo/ports")
cat > "$demo/endpoints.ini" <<INI
[manifest]
primary = 127.0.0.1
primary_port = $primary
secondary = 127.0.0.1
secondary_port = $secondary
[web]
announcement = 127.0.0.1:$primary
INI

echo "== launcher"
set +e
timeout 120 "$dist/launcher" --headless --run-dir "$demo/client" --endpoints "$demo/endpoints.ini" --auto-update --auto-start
rc=$?
set -e
echo "== launcher ended with code $rc"
echo "== stand-in server log"
cat "$demo/standin.log"
echo "== client folder"
(cd "$demo/client" && find . -type f ! -path './DownloadCache/*' | sort)
if [ -d "$demo/client_record/1" ]; then
  echo "== the game client was started with:"
  cat "$demo/client_record/1/args"
fi
[ "$rc" = 0 ]
