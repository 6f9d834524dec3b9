#!/usr/bin/env bash
# Builds the XML route reader's fuzzer with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) into OUT and runs it for a bounded time from the committed seeds.
set -euo pipefail
root="${1:?source root}"
out="${2:?output dir}"
seconds="${ROUTE_FUZZ_SECONDS:-30}"
mkdir -p "$out/corpus"
src="$root/src"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -DXML_DTD -I"$src" "$root/fuzz/routefile/route_fuzzer.cpp" "$src/files/RouteFileReader.cpp" \
  "$src/platform/foundation/NSXMLParser.cpp" "$src/platform/foundation/UTF8Text.cpp" \
  "$src/platform/foundation/FileSystem.cpp" \
  "$src/platform/foundation/Log.cpp" "$src/measure/CoordData.cpp" \
  "$src/platform/map/MKGeometry.cpp" -lexpat -lGeographicLib -o "$out/route_fuzzer"
exec "$root/fuzz/run_fuzzer.sh" route "$out" "$seconds" 8192 "$root/fuzz/routefile/corpus"
