#!/usr/bin/env bash
# The fault matrix (see fault_cases.bash) against the Windows launcher under Wine, headless:
# the 32-bit product where this machine runs 32-bit programs, else the 64-bit build (said in
# a banner). Two lanes of cases, each with its own Wine prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# Mounts made in a private mount namespace go away with it, however the test ends.
if [ -z "${MATRIX_IN_NAMESPACE:-}" ] && unshare -m true 2>/dev/null; then
  MATRIX_IN_NAMESPACE=1 exec unshare -m --propagation private bash "$0" "$@"
fi
source "$here/fault_cases.bash"

work=$(mktemp -d /tmp/faults-wine.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
matrix_lanes=2
cleanup() {
  local rc=$?
  set +e
  local lane
  for ((lane = 0; lane < matrix_lanes; lane++)); do
    [ -d "$work/prefix$lane" ] && WINEPREFIX=$work/prefix$lane stop_wineserver
  done
  wait 2>/dev/null || true
  grep -F " $work/" /proc/mounts | cut -d' ' -f2 | sort -r | while read -r m; do umount -l "$m" || true; done
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT

export WINEPREFIX=$work/prefix0
use_product_build
exe=$(windows_build launcher.exe)
holder_exe=$(windows_build file-holder.exe)
[ -n "$exe" ] || { echo "no ${windows_bits}-bit launcher.exe: build it first (./run build)" >&2; exit 1; }
[ -n "$holder_exe" ] || { echo "no ${windows_bits}-bit file-holder.exe: build it first (./run build)" >&2; exit 1; }
# Every lane's prefix is ready before the cases begin, so no case waits for Wine's set-up.
for ((lane = 0; lane < matrix_lanes; lane++)); do
  WINEPREFIX=$work/prefix$lane "$wine" wineboot -i > "$work/wineboot$lane.log" 2>&1 &
done
wait
for ((lane = 0; lane < matrix_lanes; lane++)); do WINEPREFIX=$work/prefix$lane "$wineserver" -w; done

platform_name() { echo "wine, ${windows_bits}-bit build"; }
platform_case_setup() { export WINEPREFIX=$work/prefix$lane; }
platform_case_cleanup() { :; }
launcher_start() {  # run number
  (cd "$client" && exec "$wine" "$exe" --headless --auto-update --run-dir "$(windows_path "$client")" \
    --endpoints "$(windows_path "$dir/endpoints.ini")") > "$dir/run$1.log" 2>&1 &
  launcher_pid=$!
}
shown_folder() { windows_path "$client"; }
# Wine's Restart Manager takes the file but lists no process: the message names the file alone.
held_by() { :; }
holder_start() {  # file
  rm -f "$dir/held"
  "$wine" "$holder_exe" "$(windows_path "$1")" 600000 "$(windows_path "$dir/held")" > "$dir/holder.log" 2>&1 &
  holder_pid=$!
  for ((i = 0; i < 300; i++)); do [ -e "$dir/held" ] && return 0; sleep 0.1; done
  echo "the holder did not take $1: $(cat "$dir/holder.log")"
  return 1
}

matrix_setup
run_matrix
