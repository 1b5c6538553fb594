#!/bin/sh
# Builds the decoder fuzzer with clang's libFuzzer and runs it.
# Usage: tests/sound/run_decoder_fuzz.sh <work dir> <seconds>
set -e
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
WORK="${1:-/tmp/eh_sound_fuzz}"
SECONDS_TO_RUN="${2:-600}"
mkdir -p "$WORK/corpus" "$WORK/crashes"
SRC="$ROOT/sound/audio_decoder.cpp $ROOT/sound/wav_decoder.cpp $ROOT/sound/vorbis_decoder.cpp"
clang-14 -c -O1 -g -w -I"$ROOT" -fsanitize=fuzzer-no-link,address,undefined "$ROOT/sound/stb_vorbis_impl.c" -o "$WORK/stb_vorbis.o"
clang++-14 -std=c++20 -O1 -g -I"$ROOT" -fsanitize=fuzzer,address,undefined \
  "$ROOT/tests/sound/fuzz_sound_decoders.cpp" $SRC "$WORK/stb_vorbis.o" -o "$WORK/fuzz_sound_decoders"
gcc -w -I"$ROOT" -c "$ROOT/sound/stb_vorbis_impl.c" -o "$WORK/stb_plain.o"
g++ -std=c++20 -O1 -I"$ROOT" "$ROOT/tests/sound/make_fuzz_seeds.cpp" "$ROOT/tests/sound/sound_test_data.cpp" \
  $SRC "$WORK/stb_plain.o" -lvorbisenc -lvorbis -logg -o "$WORK/make_fuzz_seeds"
"$WORK/make_fuzz_seeds" "$WORK/corpus"
cd "$WORK/crashes"
"$WORK/fuzz_sound_decoders" -max_total_time="$SECONDS_TO_RUN" -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 "$WORK/corpus"
