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
exec "$root/fuzz/run_fuzzer.sh" polyline "$out" "$seconds" 2048 "$root/fuzz/polyline/corpus"
