#!/usr/bin/env bash
# The fault matrix (see fault_cases.bash) against the headless Linux launcher.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
# Mounts made in a private mount namespace go away with it, however the test ends.
if [ -z "${MATRIX_IN_NAMESPACE:-}" ] && unshare -m true 2>/dev/null; then
  MATRIX_IN_NAMESPACE=1 exec unshare -m --propagation private bash "$0" "$@"
fi
source "$here/fault_cases.bash"
launcher=${LAUNCHER_DIST:-$build/none}/linux/launcher
[ -x "$launcher" ] || launcher=$build/launcher
holder_tool=$holder_tool_dir/file-holder
echo "testing $launcher"

work=$(mktemp -d /tmp/faults-linux.XXXXXX)
cleanup() {
  local rc=$?
  set +e
  # Each case stops its own servers and launchers; what a killed run left mounted goes here.
  grep -F " $work/" /proc/mounts | cut -d' ' -f2 | sort -r | while read -r m; do umount -l "$m" || true; done
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT

platform_name() { echo linux; }
# Every case has its own runtime folder, and with it its own single-instance marker.
platform_case_setup() {
  export XDG_RUNTIME_DIR=$dir/runtime
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
}
platform_case_cleanup() { :; }
launcher_start() {  # run number
  "$launcher" --headless --run-dir "$client" --endpoints "$dir/endpoints.ini" --auto-update > "$dir/run$1.log" 2>&1 &
  launcher_pid=$!
}
shown_folder() { printf '%s' "$client"; }
# Linux names the program holding the file (from /proc).
held_by() { echo file-holder; }
holder_start() {  # file
  rm -f "$dir/held"
  "$holder_tool" "$1" 600000 "$dir/held" &
  holder_pid=$!
  for ((i = 0; i < 100; i++)); do [ -e "$dir/held" ] && return 0; sleep 0.1; done
  echo "the holder did not take $1"
  return 1
}

matrix_lanes=8
matrix_setup
run_matrix
