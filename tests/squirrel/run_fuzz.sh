#!/bin/sh
# Builds the script fuzzer with clang's libFuzzer and runs it.
# Usage: tests/squirrel/run_fuzz.sh <work dir> <seconds>
set -e
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
WORK="${1:-/tmp/eh_squirrel_fuzz}"
SECONDS_TO_RUN="${2:-600}"
mkdir -p "$WORK/corpus" "$WORK/crashes"
clang++-14 -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined \
  -I"$ROOT/squirrel/include" -I"$ROOT/squirrel/src" \
  "$ROOT/tests/squirrel/fuzz_squirrel.cpp" "$ROOT"/squirrel/src/*.cpp -o "$WORK/fuzz_squirrel"
# seeds: the conformance scripts
cp "$ROOT"/tests/squirrel/scripts/*.nut "$WORK/corpus/" 2>/dev/null || true
cd "$WORK/crashes"
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
"$WORK/fuzz_squirrel" -max_total_time="$SECONDS_TO_RUN" -rss_limit_mb=2048 -max_len=4096 -timeout=10 \
  -print_final_stats=1 -dict="$ROOT/tests/squirrel/fuzz_squirrel.dict" "$WORK/corpus"
