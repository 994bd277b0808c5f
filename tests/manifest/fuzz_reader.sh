#!/usr/bin/env bash
# Builds the manifest reader's libFuzzer target with clang and runs it for a bounded time.
# Skips (exit 0 with a note) where clang or its fuzzer runtime is not installed.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}/fuzz
seconds=${FUZZ_SECONDS:-30}
clang=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$clang" ]; then
  echo "SKIP: clang++ not installed"
  exit 0
fi
mkdir -p "$build/corpus"
sources=("$src/tests/manifest/fuzz/xml_reader_fuzz.cpp" "$src/src/startup/xml_reader.cpp"
         "$src/src/startup/manifest_document.cpp" "$src/src/text/gbk.cpp" "$src/src/text/gbk_unicode_table.cpp")
if ! "$clang" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
     -I"$src/src" "${sources[@]}" -o "$build/xml_reader_fuzz" 2>"$build/compile.log"; then
  if grep -q "libclang_rt.fuzzer\|cannot find.*fuzzer" "$build/compile.log"; then
    echo "SKIP: clang's fuzzer runtime is not installed"
    exit 0
  fi
  cat "$build/compile.log"
  exit 1
fi
"$build/xml_reader_fuzz" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 "$build/corpus" "$src/tests/manifest/fuzz/seeds" 2>&1 | tail -n 25
echo "fuzzing for ${seconds}s found nothing"
