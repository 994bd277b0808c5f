# Shared by the self-update and patching end-to-end tests (sourced, not run on its own).
# Sets $standin, the stand-in server program.

# The Linux build of tool $1: the build tree's, else the one in dist.
built_tool() {
  local own=${LAUNCHER_BUILD:?}/tools/$1
  if [ -x "$own" ]; then echo "$own"; else echo "${LAUNCHER_DIST:-$LAUNCHER_BUILD/none}/linux/$1"; fi
}

# The wine64 loader in $wine; without one the test is skipped.
require_wine() {
  wine=$(command -v wine64 || command -v /usr/lib/wine/wine64 || true)
  [ -n "$wine" ] || { echo "SKIP: wine64 is not installed"; exit 0; }
}

# The x86_64 Windows build of program $1: dist's, else the source tree's; empty when neither exists.
windows_build() {
  local c
  for c in "${LAUNCHER_DIST:-$LAUNCHER_SOURCE/dist}/win64/$1" "$LAUNCHER_SOURCE/build/win64/$1" \
    "$LAUNCHER_SOURCE/build/win64/tools/$1"; do
    [ -f "$c" ] && { echo "$c"; return 0; }
  done
  return 0
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
