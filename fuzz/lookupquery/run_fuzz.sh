#!/usr/bin/env bash
# Builds the lookup query fuzzer with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into OUT and runs it for a bounded time from the committed seeds.
set -euo pipefail
root="${1:?source root}"
out="${2:?output dir}"
seconds="${LOOKUP_QUERY_FUZZ_SECONDS:-30}"
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" "$root/fuzz/lookupquery/lookupquery_fuzzer.cpp" "$root/src/service/LookupQuery.cpp" \
  "$root/src/platform/foundation/PercentDecoding.cpp" \
  -o "$out/lookupquery_fuzzer"
exec "$root/fuzz/run_fuzzer.sh" lookupquery "$out" "$seconds" 4096 "$root/fuzz/lookupquery/corpus"
