#!/usr/bin/env bash
# The Linux crypto (libcrypto behind platform/crypto.h) on the shared vectors and against the
# openssl command line: openssl signs, ours verifies; tampered messages, signatures and keys fail.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
source "$src/tests/support/e2e_common.bash"
source "$src/tests/platform/crypto_differential.bash"
work=$(mktemp -d /tmp/crypto_openssl.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v openssl >/dev/null || { echo "SKIP: no openssl command"; exit 0; }
check=$(built_tool crypto-check)
ours() { "$check" "$@"; }

"$check" vectors "$src/tests/platform/crypto_vectors.txt" || fail "shared vectors"
run_differential
