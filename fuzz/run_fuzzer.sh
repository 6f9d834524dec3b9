#!/usr/bin/env bash
# Runs a built libFuzzer program for a bounded time from its seeds and reports the outcome.
# Any crash, leak or sanitizer report makes it exit non-zero.
# Usage: run_fuzzer.sh NAME OUT SECONDS MAX_LEN SEED_DIR  (the program is OUT/NAME_fuzzer)
set -euo pipefail
name="$1" out="$2" seconds="$3" max_len="$4" seeds="$5"
mkdir -p "$out/corpus"
cp -n "$seeds"/* "$out/corpus/" 2>/dev/null || true
cd "$out"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
"./${name}_fuzzer" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 corpus "$seeds" >fuzz.log 2>&1 || status=$?
if [ "$status" != 0 ]; then
  tail -n 200 fuzz.log
  echo "$name fuzzer: FAILED (exit $status); the crashing input is in $out"
else
  grep -E '^(Done|stat::number_of_executed_units)' fuzz.log || true
  echo "$name fuzzer: no findings in ${seconds} s"
fi
exit "$status"
