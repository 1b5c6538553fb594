// Decoding speed of both decoders, the cost of wrapping a position, and of
// taking a channel when a full sample must give one up.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "sound/audio_decoder.h"
#include "sound/sound_output.h"
#include "tests/sound/sound_test_data.h"

namespace {

std::vector<float> stereo_second() {
  std::vector<float> l = make_tone(440, 0.5f, 1.0f), r = make_tone(660, 0.4f, 1.0f);
  return interleave(l, r);
}

void decode_file(benchmark::State& state, const std::vector<uint8_t>& file) {
  std::vector<float> buf(4096 * 2);
  int64_t frames = 0;
  for (auto _ : state) {
    auto dec = open_audio_decoder(file.data(), file.size());
    int n;
    while ((n = dec->read(buf.data(), 4096)) > 0) frames += n;
    benchmark::DoNotOptimize(buf.data());
  }
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

void BM_DecodeWav16Stereo(benchmark::State& state) {
  static const std::vector<uint8_t> file = encode_wav(stereo_second(), 2, TEST_RATE, WavCoding::PCM16);
  decode_file(state, file);
}
BENCHMARK(BM_DecodeWav16Stereo)->Unit(benchmark::kMillisecond);

void BM_DecodeOggStereo(benchmark::State& state) {
  static const std::vector<uint8_t> file = encode_ogg(stereo_second(), 2, TEST_RATE);
  decode_file(state, file);
}
BENCHMARK(BM_DecodeOggStereo)->Unit(benchmark::kMillisecond);

void BM_WrapPosAround(benchmark::State& state) {
  __m128 centre = _mm_setr_ps(17, 3, 250, 0);
  __m128 pos = _mm_setr_ps(-300, 5, 999, 0), step = _mm_setr_ps(1.5f, 0, -2.25f, 0);
  for (auto _ : state) {
    pos = _mm_add_ps(pos, step);
    benchmark::DoNotOptimize(wrap_pos_around(pos, centre));
  }
}
BENCHMARK(BM_WrapPosAround);

// Every call takes over the longest-playing of 16 playing channels.
void BM_StealChannel(benchmark::State& state) {
  setenv("ALSOFT_DRIVERS", "null", 1);
  init_sound(true);
  std::string path = write_test_file("bench.wav", encode_wav(make_tone(440, 0.5f, 0.2f), 1, TEST_RATE, WavCoding::PCM16));
  unsigned s = load_sound_sample(path.c_str(), 16, SOUND_FLAG_LOOP | SOUND_FLAG_3D, int(state.range(0)), 0, 0);
  for (int i = 0; i < 16; ++i) play_sound(get_sound_sample_channel(s, false), true);
  for (auto _ : state) {
    unsigned ch = get_sound_sample_channel(s, false);
    play_sound(ch, true);
  }
  close_sound();
}
BENCHMARK(BM_StealChannel)->Arg(SOUND_STEAL_OLDEST)->Arg(SOUND_STEAL_FARTHEST);

}  // namespace

BENCHMARK_MAIN();
