#!/usr/bin/env bash
# Builds the JSON fuzzer with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into OUT and runs it for a bounded time from the committed seeds. Any crash, leak or
# sanitizer report makes it exit non-zero.
set -euo pipefail
root="${1:?source root}"
out="${2:?output dir}"
seconds="${JSON_FUZZ_SECONDS:-60}"
mkdir -p "$out/corpus"
src="$root/src/json"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" "$root/fuzz/json/json_fuzzer.cpp" "$src/JRAllocator.cpp" "$src/JRObject.cpp" \
  "$src/JRCollections.cpp" "$src/JRDecoderUnit.cpp" -o "$out/json_fuzzer"
exec "$root/fuzz/run_fuzzer.sh" json "$out" "$seconds" 4096 "$root/fuzz/json/corpus"
