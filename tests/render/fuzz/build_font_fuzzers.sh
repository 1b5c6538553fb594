#!/bin/sh
# Builds the font, icon and TGA fuzzers with clang's libFuzzer and the
# sanitizers against the engine libraries of an existing build, and makes
# seed corpora from the build's generated fonts:
#   tests/render/fuzz/build_font_fuzzers.sh BUILD_DIR [OUT_DIR]
# then run e.g.
#   nice -n 19 OUT_DIR/fuzz_dist_font -max_total_time=600 -max_len=32768 OUT_DIR/corpus_font
# Crashing inputs go to tests/render/fuzz/regressions/<kind>_<name>.hex (kind
# font, icons or tga) as hex text, which the render tests replay.
set -e
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:?build directory}
out=${2:-$build/fuzz_fonts}
mkdir -p "$out/obj" "$out/corpus_font" "$out/corpus_icons" "$out/corpus_tga"
CXX=${CXX:-clang++-14}
flags="-std=c++20 -O1 -g -msse4.1 -fsanitize=address,undefined -I$root"
objs=""
for src in dist_font dist_icons desc_lines tga_reader bitmap_font render_batch; do
  $CXX $flags -fsanitize=fuzzer-no-link -c "$root/render/$src.cpp" -o "$out/obj/$src.o"
  objs="$objs $out/obj/$src.o"
done
# The engine's libraries call each other both ways: one rescanned group.
libs="-Wl,--start-group $(ls "$build"/*/libeh_*.a "$build"/squirrel/libsquirrel.a | tr '\n' ' ') -Wl,--end-group"
libs="$libs -lepoxy -lSDL2 -lopenal -ldl"
$CXX $flags -fsanitize=fuzzer-no-link -c "$root/tests/render/fuzz/exercise_fonts.cpp" -o "$out/obj/exercise_fonts.o"
for target in fuzz_dist_font fuzz_dist_icons fuzz_tga; do
  $CXX $flags -fsanitize=fuzzer "$root/tests/render/fuzz/$target.cpp" "$out/obj/exercise_fonts.o" $objs $libs \
    -o "$out/$target"
done
cp "$build/bin/fonts/body.fnt" "$build/bin/fonts/title.fnt" "$out/corpus_font/"
cp "$build/bin/fonts/ui_icons.icons" "$out/corpus_icons/"
# A 16 x 16 image: a grid of 1 x 1 cells.
{ printf '\000\000\002\000\000\000\000\000\000\000\000\000\020\000\020\000\040\010'; head -c 1024 /dev/urandom; } \
  > "$out/corpus_tga/grid16.tga"
echo "$out"
