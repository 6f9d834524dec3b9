#!/usr/bin/env bash
# Builds the polyline fuzzer with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into OUT and runs it for a bounded time from the committed seeds.
set -euo pipefail
root="${1:?source root}"
out="${2:?output dir}"
seconds="${POLYLINE_FUZZ_SECONDS:-30}"
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" "$root/fuzz/polyline/polyline_fuzzer.cpp" "$root/src/lookup/PolylineDecoder.cpp" \
  "$root/src/measure/CoordData.cpp" "$root/src/platform/map/MKGeometry.cpp" -lGeographicLib \
  -o "$out/polyline_fuzzer"
cp -n "$root"/fuzz/polyline/corpus/* "$out/corpus/" 2>/dev/null || true
cd "$out"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
./polyline_fuzzer -max_total_time="$seconds" -max_len=2048 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 corpus >fuzz.log 2>&1 || status=$?
if [ "$status" != 0 ]; then
  tail -n 100 fuzz.log
  echo "polyline fuzzer: FAILED (exit $status); the crashing input is in $out"
else
  grep -E '^(Done|stat::number_of_executed_units)' fuzz.log || true
  echo "polyline fuzzer: no findings in ${seconds} s"
fi
exit "$status"
