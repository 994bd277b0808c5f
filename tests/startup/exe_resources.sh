#!/usr/bin/env bash
# The Windows launchers (32-bit product and 64-bit twin) carry an application manifest that
# runs them as the invoking user and names Windows 7 to 11, and a version resource whose
# version is the version caption the program itself shows.
set -euo pipefail
source_dir=${LAUNCHER_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
fail() { echo "FAIL: $*" >&2; exit 1; }

checked=0
for arch in win32 win64; do
  exe=""
  for c in "${LAUNCHER_DIST:-$source_dir/dist}/$arch/launcher.exe" "$source_dir/build/$arch/launcher.exe"; do
    [ -f "$c" ] && { exe=$c; break; }
  done
  [ -n "$exe" ] || { echo "no $arch launcher.exe built; not checked"; continue; }
  found=$(python3 "$source_dir/tests/support/pe_resources.py" "$exe") || fail "$exe: unreadable resources"
  has() { grep -qF -- "$1" <<<"$found" || fail "$exe: no $2"; }
  has 'requestedExecutionLevel level="asInvoker"' "asInvoker execution level"
  has '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' "Windows 7 id"
  has '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}' "Windows 8 id"
  has '{1f676c76-80e1-4239-95bb-83d0f6d0da78}' "Windows 8.1 id"
  has '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' "Windows 10/11 id"
  [ "$(grep -c '^manifest ' <<<"$found")" -eq 1 ] || fail "$exe: not exactly one manifest"
  # Each build carries the version it was configured with (LAUNCHER_VERSION).
  # (1.0.0 is the window design's caption, shown until the start-up replaces it.)
  version=$(sed -n 's/^caption //p' <<<"$found" | grep -vx '1\.0\.0' | head -n 1 || true)
  version=${version:-1.0.0}
  [ -n "$version" ] || fail "$exe: no version caption in the image"
  dotted=$version
  while [ "$(tr -cd . <<<"$dotted" | wc -c)" -lt 3 ]; do dotted=$dotted.0; done
  grep -qx "string FileVersion=$version" <<<"$found" || fail "$exe: FileVersion is not $version: $found"
  grep -qx "string ProductVersion=$version" <<<"$found" || fail "$exe: ProductVersion is not $version"
  grep -qx "fixed-version $dotted" <<<"$found" || fail "$exe: fixed file version is not $dotted"
  # The ASCII caption stays the only copy of "LAUNCHER VER:<version>" (relabelling rewrites it).
  [ "$(grep -c "^caption $version\$" <<<"$found")" -eq 1 ] || fail "$exe: the version caption appears twice"
  echo "ok: $exe"
  checked=$((checked + 1))
done
[ "$checked" -gt 0 ] || echo "SKIP: no Windows launcher is built (./run build makes them)"
