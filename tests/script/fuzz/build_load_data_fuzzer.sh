#!/bin/sh
# Builds the load_data fuzzer with clang's libFuzzer and AddressSanitizer
# against the engine libraries of an existing build:
#   tests/script/fuzz/build_load_data_fuzzer.sh BUILD_DIR [OUT_DIR]
# then run e.g.
#   nice -n 19 OUT_DIR/load_data_fuzzer -max_total_time=600 CORPUS_DIR
# Only the decoder and this target are instrumented for coverage. Crashing
# inputs go to tests/script/fuzz/regressions/, which the unit tests replay.
set -e
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:?build directory}
out=${2:-$build/fuzz}
mkdir -p "$out"
CXX=${CXX:-clang++-14}
flags="-std=c++20 -O1 -g -msse4.1 -fsanitize=fuzzer,address,undefined -I$root -I$root/squirrel/include"
$CXX $flags "$root/tests/script/fuzz/load_data_fuzz.cpp" "$root/script/save_data.cpp" \
  "$build/script/libeh_script.a" "$build/squirrel/libsquirrel.a" "$build/core/libeh_core.a" \
  -lSDL2 -o "$out/load_data_fuzzer"
echo "$out/load_data_fuzzer"
