// What sound events cost the frame: asking the sound script for an event's
// channel, keeping positional event sounds wrapped once per update, and
// starting the game's own sound script with all its synthesised files.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/paths.h"
#include "sound/sound_events.h"
#include "sound/sound_output.h"
#include "tests/sound/sound_test_data.h"

namespace {

void start_null_device() {
  setenv("ALSOFT_DRIVERS", "null", 1);
  init_sound(true);
}

// A script whose every event gives a channel of one 3D looping sample.
void start_test_script() {
  std::string root = test_dir() + "/bench_game";
  std::filesystem::create_directories(root + "/sound");
  std::vector<uint8_t> wav = encode_wav(make_tone(440, 0.5f, 0.2f), 1, TEST_RATE, WavCoding::PCM16);
  std::ofstream(root + "/sound/tone.wav", std::ios::binary).write(reinterpret_cast<const char*>(wav.data()), wav.size());
  std::string src = "local s = load_sample(\"sound/tone.wav\", 64, SNDF_3D | SNDF_LOOP)\nevents <- {}\n";
  for (const char* name : sound_event_name)
    src += std::string("events.") + name + " <- function() { return get_channel(s) }\n";
  std::ofstream(root + "/sound/sound.nut") << src;
  snprintf(app_path, sizeof(app_path), "%s/", root.c_str());
  init_sound_script();
}

void stop_all() {
  close_sound_script();
  close_sound();
}

void BM_EventChannelFromScript(benchmark::State& state) {
  start_null_device();
  start_test_script();
  for (auto _ : state) benchmark::DoNotOptimize(get_sound_event_channel(24));
  stop_all();
}
BENCHMARK(BM_EventChannelFromScript)->Unit(benchmark::kMicrosecond);

// One update's refresh with `range` positional event sounds playing while the
// listener moves.
void BM_UpdateEventSounds(benchmark::State& state) {
  start_null_device();
  start_test_script();
  __m128 zero = _mm_setzero_ps();
  for (int i = 0; i < state.range(0); i++) play_sound_event(24, _mm_setr_ps(float(i * 7), 0, float(i * 3), 0), zero);
  float x = 0;
  for (auto _ : state) {
    x += 3.5f;
    update_event_sounds(_mm_setr_ps(x, 0, 0, 0));
  }
  stop_all();
}
BENCHMARK(BM_UpdateEventSounds)->Arg(8)->Arg(64)->Unit(benchmark::kMicrosecond);

void BM_StartGameSoundScript(benchmark::State& state) {
  start_null_device();
  snprintf(app_path, sizeof(app_path), "%s/", EH_GAME_BIN_DIR);
  for (auto _ : state) {
    init_sound_script();
    close_sound_script();
  }
  close_sound();
}
BENCHMARK(BM_StartGameSoundScript)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
