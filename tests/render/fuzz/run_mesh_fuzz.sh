#!/bin/sh
# Builds the mesh file fuzzer with clang's libFuzzer and the sanitizers and
# runs it, seeded with the game's generated meshes:
#   tests/render/fuzz/run_mesh_fuzz.sh BUILD_DIR [SECONDS] [WORK_DIR]
# Inputs that fail go to WORK_DIR/crashes; keep them as cases in
# tests/render/test_mesh.cpp.
set -e
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:?build directory}
seconds=${2:-600}
work=${3:-$build/fuzz_mesh}
mkdir -p "$work/corpus" "$work/crashes"
CXX=${CXX:-clang++-14}
$CXX -std=c++20 -O1 -g -msse4.1 -fsanitize=fuzzer,address,undefined -I"$root" \
  "$root/tests/render/fuzz/mesh_file_fuzz.cpp" "$root/render/mesh_file.cpp" -o "$work/mesh_file_fuzzer"
cp "$build"/bin/meshes/*.mesh "$work/corpus/"
cd "$work/crashes"
"$work/mesh_file_fuzzer" -max_total_time="$seconds" -rss_limit_mb=1024 -max_len=65536 -print_final_stats=1 \
  "$work/corpus"
