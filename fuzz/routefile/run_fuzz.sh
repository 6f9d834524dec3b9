#!/usr/bin/env bash
# Builds the XML route reader's fuzzer with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) into OUT and runs it for a bounded time from the committed seeds.
# Any crash, leak or sanitizer report makes it exit non-zero.
set -euo pipefail
root="${1:?source root}"
out="${2:?output dir}"
seconds="${ROUTE_FUZZ_SECONDS:-30}"
mkdir -p "$out/corpus"
src="$root/src"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -DXML_DTD -I"$src" "$root/fuzz/routefile/route_fuzzer.cpp" "$src/files/RouteFileReader.cpp" \
  "$src/platform/foundation/NSXMLParser.cpp" "$src/platform/foundation/FileSystem.cpp" \
  "$src/platform/foundation/Log.cpp" "$src/measure/CoordData.cpp" \
  "$src/platform/map/MKGeometry.cpp" -lexpat -lGeographicLib -o "$out/route_fuzzer"
cp -n "$root"/fuzz/routefile/corpus/* "$out/corpus/" 2>/dev/null || true
cd "$out"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
./route_fuzzer -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 corpus "$root/fuzz/routefile/corpus" >fuzz.log 2>&1 || status=$?
if [ "$status" != 0 ]; then
  tail -n 200 fuzz.log
  echo "route fuzzer: FAILED (exit $status); the crashing input is in $out"
else
  grep -E '^(Done|stat::number_of_executed_units)' fuzz.log || true
  echo "route fuzzer: no findings in ${seconds} s"
fi
exit "$status"
