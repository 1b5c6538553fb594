#!/bin/sh
# Builds and runs every test in the optimised and the sanitizer configuration,
# then repeats the test runner's closing lines of both.
set -e
cd "$(dirname "$0")/.."
scripts/install_deps.sh
JOBS=$(nproc)
status=0
# Includes go down the folder layers only (ARCHITECTURE.md).
layers="failed"
if python3 scripts/check_layers.py; then layers="passed"; else status=1; fi
for cfg in release asan; do
  # The sanitizer build optimises lightly (-O1): the simulation tests run
  # ten times slower without it, and checks and stacks stay reliable.
  if [ "$cfg" = asan ]; then
    extra="-DEH_SANITIZE=ON -DEH_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG=-O1 -DCMAKE_CXX_FLAGS_DEBUG=-O1"
    # Line tables are all a sanitizer report needs, and full debug
    # information makes this build a good deal slower.
    extra="$extra -DCMAKE_C_FLAGS=-g1 -DCMAKE_CXX_FLAGS=-g1"
  else
    # A warning fails the test command's build; local builds only show it.
    # (The sanitizer build's -O1 sees other flow warnings; it follows once
    # it is known clean.)
    extra="-DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON"
  fi
  rm -f build/$cfg/ctest.log build/$cfg/build.failed
  if ! cmake -S . -B build/$cfg -G Ninja $extra; then
    mkdir -p build/$cfg
    echo "configure failed" > build/$cfg/ctest.log
    status=1
    continue
  fi
  # Keep going past a broken target so every test that can be built still
  # runs; tests whose program is missing are reported as not run.
  if ! cmake --build build/$cfg -j "$JOBS" -- -k 0; then
    echo "== build failed: $cfg =="
    touch build/$cfg/build.failed
    status=1
  fi
  echo "== tests: $cfg =="
  if ! (cd build/$cfg && SDL_VIDEODRIVER=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --output-on-failure --timeout 600 -j "$JOBS" --output-log ctest.log); then
    status=1
  fi
done
echo
echo "== summary =="
echo "-- layer check: $layers"
for cfg in release asan; do
  echo "-- $cfg:"
  [ ! -e build/$cfg/build.failed ] || echo "some targets failed to build (see above)"
  if grep -q "tests passed" build/$cfg/ctest.log; then
    sed -n '/tests passed/,$p' build/$cfg/ctest.log
  else
    tail -n 5 build/$cfg/ctest.log
  fi
done
exit $status
