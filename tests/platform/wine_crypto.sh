#!/usr/bin/env bash
# The Windows crypto (CNG behind platform/crypto.h) run for real under Wine: the shared vectors
# and the same differential run against the openssl command line as on Linux.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
source "$src/tests/support/e2e_common.bash"
source "$src/tests/platform/crypto_differential.bash"
work=$(mktemp -d /tmp/crypto_wine.XXXXXX)
cleanup() {
  stop_wineserver
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v openssl >/dev/null || { echo "SKIP: no openssl command"; exit 0; }
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
use_product_build
check_exe=$(windows_build crypto-check.exe)
[ -n "$check_exe" ] || { echo "SKIP: no ${windows_bits}-bit Windows build of crypto-check"; exit 0; }
ours() {
  local args=() a
  for a in "$@"; do
    if [ -e "$a" ]; then args+=("$(windows_path "$a")"); else args+=("$a"); fi
  done
  local rc=0
  "$wine" "$check_exe" "${args[@]}" 2>"$work/wine.err" || rc=$?
  # A failed start says so: a silent exit code would end the test without a word.
  [ "$rc" = 0 ] || echo "crypto-check under Wine exited with $rc: $(head -c 300 "$work/wine.err")" >&2
  return "$rc"
}

got=$(ours vectors "$src/tests/platform/crypto_vectors.txt" | tr -d '\r')
printf '%s\n' "$got"
[[ $(tail -1 <<<"$got") =~ ^vectors=[1-9][0-9]*\ failures=0$ ]] || fail "shared vectors under Wine"
run_differential
