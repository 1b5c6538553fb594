#!/bin/sh
# Builds the load_data fuzzer with clang's libFuzzer and AddressSanitizer
# against the engine libraries of an existing build:
#   tests/script/fuzz/build_load_data_fuzzer.sh BUILD_DIR [OUT_DIR]
# then run e.g.
#   nice -n 19 OUT_DIR/load_data_fuzzer -max_total_time=600 -malloc_limit_mb=64 CORPUS_DIR
# The decoder and this target are instrumented for coverage. With
# FUZZ_VM=1 the language library is compiled here too, with the sanitizers,
# so errors inside the machine are caught as well (slower to build).
# Crashing inputs go to tests/script/fuzz/regressions/ as hex text, which
# the unit tests replay.
set -e
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:?build directory}
out=${2:-$build/fuzz}
mkdir -p "$out/obj"
CXX=${CXX:-clang++-14}
flags="-std=c++20 -O1 -g -msse4.1 -fsanitize=address,undefined -I$root -I$root/squirrel/include"
vm="$build/squirrel/libsquirrel.a"
if [ "${FUZZ_VM:-0}" = 1 ]; then
  vm=""
  for src in "$root"/squirrel/src/*.cpp; do
    obj="$out/obj/$(basename "$src").o"
    if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ]; then
      $CXX $flags -I"$root/squirrel/src" -c "$src" -o "$obj"
    fi
    vm="$vm $obj"
  done
fi
$CXX $flags -fsanitize=fuzzer "$root/tests/script/fuzz/load_data_fuzz.cpp" "$root/script/save_data.cpp" \
  "$build/script/libeh_script.a" $vm "$build/core/libeh_core.a" -lSDL2 -o "$out/load_data_fuzzer"
echo "$out/load_data_fuzzer"
