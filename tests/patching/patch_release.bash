# Shared by the patching end-to-end tests (sourced after $work, $client, $release and $maker
# are set): the release on the file server, the client folder it updates, and the checks of a
# resumed installation.

# A release of four patches and a client folder holding one of them already (sound.pak) and
# an old copy of another (replaced.dat); the launcher itself is copied in by the test.
make_release() {
  mkdir -p "$client/data" "$release/data/maps/world"
  : > "$client/Client.exe"
  head -c 3000000 /dev/urandom > "$release/big.pak"
  head -c 300000 /dev/urandom > "$release/data/maps/world/map01.pak"
  head -c 120000 /dev/urandom > "$release/data/sound.pak"
  head -c 50000 /dev/urandom > "$release/replaced.dat"
  cp "$release/data/sound.pak" "$client/data/sound.pak"
  head -c 50000 /dev/urandom > "$client/replaced.dat"
  cat > "$work/template.xml" <<'XML'
<?xml version="1.0" encoding="gb2312"?>
<UpdateInfo>
  <ServerList><S name="one" Lip="127.0.0.1" Lport="9" Mip="127.0.0.1" Mport="9" sublocale="1" version="1"/></ServerList>
  <Launcher name="launcher" url="http://@HOST@:@FILES_PORT@/DLQ.exe" ver="0.0.1"/>
</UpdateInfo>
XML
}

# Writes $work/manifest.xml for the release; extra maker options follow.
make_manifest() {
  "$maker" --dir "$release" --base-url "http://@HOST@:@FILES_PORT@" --existing "$work/template.xml" \
    --header-code "map*.pak" "$@" --out "$work/manifest.xml"
}

# The run whose server log is $1 fetched big.pak with range requests only, none from byte 0,
# and every patch is in place byte for byte with the download cache left empty. Each check
# returns on its own: a negated command does not end a `set -e` script.
expect_resumed_install() {
  local requests=$work/resumed.log f
  grep 'GET /big.pak' "$1" > "$requests" || { echo "big.pak was not asked for"; return 1; }
  if grep -v ' range=bytes=[0-9]*-' "$requests"; then echo "a request without a range"; return 1; fi
  if grep -q ' range=bytes=0-' "$requests"; then echo "a range from byte 0"; return 1; fi
  for f in big.pak data/maps/world/map01.pak data/sound.pak replaced.dat; do
    cmp "$release/$f" "$client/$f" || return 1
  done
  [ -z "$(ls -A "$client/DownloadCache")" ] || { echo "the download cache is not empty"; return 1; }
}
