# Shared by the self-update and patching end-to-end tests (sourced, not run on its own).
# Sets $standin, the stand-in server program.

# The Linux build of tool $1: the build tree's, else the one in dist.
built_tool() {
  local own=${LAUNCHER_BUILD:?}/tools/$1
  if [ -x "$own" ]; then echo "$own"; else echo "${LAUNCHER_DIST:-$LAUNCHER_BUILD/none}/linux/$1"; fi
}

# The wine64 loader in $wine and its wineserver in $wineserver; without one the test is skipped.
require_wine() {
  wine=$(command -v wine64 || command -v /usr/lib/wine/wine64 || true)
  [ -n "$wine" ] || { echo "SKIP: wine64 is not installed"; exit 0; }
  wineserver=$(dirname "$wine")/wineserver
  [ -x "$wineserver" ] || wineserver=wineserver
}

# Ends the wineserver of $WINEPREFIX and waits until it is gone. A prefix removed while its
# server still winds down (killed, or lingering after its last program) leaves that server's
# socket to the next prefix that gets the same inode number, whose first start then meets a
# server that is not its own.
stop_wineserver() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] || return 0
  local server=${wineserver:-wineserver}
  "$server" -k 2>/dev/null || true
  timeout 10 "$server" -w 2>/dev/null || true
}

# Makes $WINEPREFIX and lets Wine settle before the test's first program. A prefix that the
# first program's start creates is still being set up (services, devices) while that program
# and the next ones run, and Wine has been seen to fail such a start without a word (exit 53).
# A set-up that fails is tried once more on a fresh start of the server.
wine_prefix_ready() {
  local server=${wineserver:-wineserver} try
  for try in 1 2; do
    if "$wine" wineboot -i >/dev/null 2>&1; then
      timeout 60 "$server" -w 2>/dev/null || true
      return 0
    fi
    stop_wineserver
  done
  echo "FAIL: Wine could not set up the prefix $WINEPREFIX"
  return 1
}

# The Windows build of program $1 for $windows_bits (32 or 64, default 64): dist's, else the
# source tree's; empty when neither exists.
windows_build() {
  local arch=win${windows_bits:-64} c
  for c in "${LAUNCHER_DIST:-$LAUNCHER_SOURCE/dist}/$arch/$1" "$LAUNCHER_SOURCE/build/$arch/$1" \
    "$LAUNCHER_SOURCE/build/$arch/tools/$1"; do
    [ -f "$c" ] && { echo "$c"; return 0; }
  done
  return 0
}

# A Linux path as Wine's Windows spelling of it (drive Z:).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Chooses the Windows build the test runs: the product, the 32-bit build under Wine's 32-bit
# loader, when this machine runs 32-bit programs (probed with the 32-bit test client); else the
# 64-bit twin under wine64, said loudly. Then the prefix is made ready (wine_prefix_ready).
# Call with WINEPREFIX set. Sets wine, wineserver and windows_bits.
use_product_build() {
  require_wine
  windows_bits=64
  local loader=/usr/lib/wine/wine client probe why=""
  client=$(windows_bits=32 windows_build test-client.exe)
  if [ ! -x "$loader" ]; then
    why="Wine's 32-bit loader $loader is not installed (wine32:i386)"
  elif [ -z "$client" ]; then
    why="no 32-bit test-client.exe is built"
  else
    probe=$(mktemp -d "${TMPDIR:-/tmp}/probe32.XXXXXX")
    if TEST_CLIENT_RECORD=$(windows_path "$probe") timeout 180 "$loader" "$client" probe > "$probe.log" 2>&1 &&
      [ -e "$probe/1/args" ]; then
      wine=$loader windows_bits=32
    else
      why="the 32-bit test client did not run, so this kernel runs no 32-bit programs ($(head -c 200 "$probe.log" | head -1))"
    fi
    rm -rf "$probe" "$probe.log"
  fi
  if [ -n "$why" ]; then
    printf '%s\n' "################################################################" \
      "WARNING: $why." "WARNING: testing the 64-bit build instead of the 32-bit product." \
      "################################################################"
  fi
  echo "testing the ${windows_bits}-bit Windows build under $wine"
  wine_prefix_ready
}

standin=$(built_tool standin-server)
STANDIN_BIN=${STANDIN_BIN:-$standin}
source "$(dirname "${BASH_SOURCE[0]}")/../manifest/support/standin.sh"

# Fails the test when the command succeeds: a bare `! command` never ends a `set -e` script.
refute() {
  if "$@"; then
    echo "FAIL: should not hold: $*"
    exit 1
  fi
}

# Copies launcher binary $1 to $2 with its version caption, and so its version, changed to $3.
relabel_launcher() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
source, target, version = sys.argv[1:]
data = open(source, 'rb').read()
old = b'LAUNCHER VER:0.0.1\x00'
new = b'LAUNCHER VER:' + version.encode() + b'\x00'
assert len(new) == len(old), 'the new version text must be as long as the old one'
if data.count(old) < 1:
    sys.exit('no version caption in ' + source)
open(target, 'wb').write(data.replace(old, new))
PY
}

# Waits up to $2 seconds for file $1 to contain the fixed text $3.
wait_for_text() {
  local file=$1 seconds=$2 text=$3
  for ((i = 0; i < seconds * 10; i++)); do
    grep -qF -- "$text" "$file" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "timed out waiting for '$text' in $file" >&2
  return 1
}

# Waits up to $2 seconds until file $1 has at least $3 lines containing $4.
wait_for_count() {
  local file=$1 seconds=$2 count=$3 text=$4
  for ((i = 0; i < seconds * 10; i++)); do
    [ "$(grep -cF -- "$text" "$file" 2>/dev/null || true)" -ge "$count" ] && return 0
    sleep 0.1
  done
  echo "timed out waiting for $count lines with '$text' in $file" >&2
  return 1
}

# Starts the stand-in server on free loopback ports with the manifest $1 (tokens expanded),
# serving folder $2, writing its log to $3; extra options follow. Sets standin_pid and the
# ports primary_port, secondary_port and files_port.
start_standin() {
  local manifest=$1 files=$2 log=$3
  shift 3
  STANDIN_LOG=$log standin_start "$(dirname "$log")" --manifest "$manifest" --expand --primary-port 0 \
    --secondary-port 0 --files "$files" --files-port 0 "$@" || return 1
  standin_pid=$STANDIN_PID
  primary_port=$port_primary secondary_port=$port_secondary files_port=${port_files:-}
  [ -n "$files_port" ]
}

# Writes an endpoints file $1 pointing both manifest addresses at the stand-in server.
write_endpoints() { standin_endpoints "127.0.0.1:$files_port" > "$1"; }

# The sections the manifest maker keeps (--existing), written to $1: one server line and the
# running launcher's own version.
write_template() {
  cat > "$1" <<'XML'
<?xml version="1.0" encoding="gb2312"?>
<UpdateInfo>
  <ServerList><S name="one" Lip="127.0.0.1" Lport="9" Mip="127.0.0.1" Mport="9" sublocale="1" version="1"/></ServerList>
  <Launcher name="launcher" url="http://127.0.0.1:9/DLQ.exe" ver="0.0.1"/>
</UpdateInfo>
XML
}

# A manifest offering launcher version $2 from the stand-in's files port, written to $1.
write_manifest() {
  cat > "$1" <<XML
<?xml version="1.0" encoding="gb2312"?>
<UpdateInfo>
  <ServerList><S name="one" Lip="127.0.0.1" Lport="9" Mip="127.0.0.1" Mport="9" sublocale="1" version="1"/></ServerList>
  <Launcher name="DLQ" url="http://@HOST@:@FILES_PORT@/DLQ.exe" ver="$2"/>
  <PatchList></PatchList>
</UpdateInfo>
XML
}
