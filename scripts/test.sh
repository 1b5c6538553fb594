#!/bin/sh
# Builds and runs every test in the optimised and the sanitizer configuration.
set -e
cd "$(dirname "$0")/.."
scripts/install_deps.sh
JOBS=$(nproc)
status=0
for cfg in release asan; do
  if [ "$cfg" = asan ]; then extra="-DEH_SANITIZE=ON -DEH_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug"; else extra="-DCMAKE_BUILD_TYPE=Release"; fi
  cmake -S . -B build/$cfg -G Ninja $extra
  cmake --build build/$cfg -j "$JOBS"
  echo "== tests: $cfg =="
  (cd build/$cfg && SDL_VIDEODRIVER=offscreen ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$JOBS") || status=1
done
exit $status
