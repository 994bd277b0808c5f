#!/usr/bin/env bash
# Builds the libFuzzer targets of the response-head parser, the state-record reader and the
# chunk-index reader with clang and runs each for a bounded time. Skips (exit 0 with a note)
# where clang or its fuzzer runtime is not installed.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}/fuzz_download
seconds=${FUZZ_SECONDS:-20}
clang=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$clang" ]; then
  echo "SKIP: clang++ not installed"
  exit 0
fi
mkdir -p "$build"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$src/src")

build_target() { # name, sources...
  local name=$1; shift
  if ! "$clang" "${flags[@]}" "$@" -o "$build/$name" 2>"$build/$name.log"; then
    if grep -q "libclang_rt.fuzzer\|cannot find.*fuzzer" "$build/$name.log"; then
      echo "SKIP: clang's fuzzer runtime is not installed"
      exit 0
    fi
    cat "$build/$name.log"
    exit 1
  fi
}

run_target() { # name, seeds
  local name=$1 seeds=$2
  mkdir -p "$build/corpus_$name"
  "$build/$name" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$build/corpus_$name" "$seeds" 2>&1 | tail -n 12
}

build_target response_head_fuzz "$src/tests/download/fuzz/response_head_fuzz.cpp" "$src/src/download/http_head.cpp" \
  "$src/src/download/url.cpp" "$src/src/text/port_number.cpp" "$src/src/download/chunked_body.cpp"
build_target task_state_fuzz "$src/tests/download/fuzz/task_state_fuzz.cpp" "$src/src/download/task_state_blob.cpp" \
  "$src/src/download/crc16.cpp" "$src/src/download/segment_table.cpp" "$src/src/download/url.cpp" \
  "$src/src/text/port_number.cpp"
build_target chunk_index_fuzz "$src/tests/download/fuzz/chunk_index_fuzz.cpp" "$src/src/delta/chunk_index.cpp" \
  "$src/src/delta/chunk_cutter.cpp" "$src/src/platform/crypto.cpp" "$src/src/platform/posix/posix_crypto.cpp" -lcrypto
run_target response_head_fuzz "$src/tests/download/fuzz/seeds_head"
run_target task_state_fuzz "$src/tests/download/fuzz/seeds_state"
run_target chunk_index_fuzz "$src/tests/download/fuzz/seeds_chunks"
echo "fuzzing each target for ${seconds}s found nothing"
