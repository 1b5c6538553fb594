// The game's synthesised sounds: audible, unclipped, centred on zero, loops
// that join without a click, music whose loop point matches the sound
// script, files the engine's own decoder reads back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "sound/audio_decoder.h"
#include "tools/sound_synth/effects.h"
#include "tools/sound_synth/music.h"
#include "tools/sound_synth/voices.h"
#include "tools/sound_synth/wav_writer.h"

namespace {

constexpr int RATE = 22050;

float peak(const synth::Buffer& b) {
  float m = 0;
  for (float v : b.data) m = std::max(m, std::fabs(v));
  return m;
}
float mean(const synth::Buffer& b) {
  double s = 0;
  for (float v : b.data) s += v;
  return float(s / double(b.data.size()));
}
float rms(const synth::Buffer& b) {
  double s = 0;
  for (float v : b.data) s += double(v) * v;
  return float(std::sqrt(s / double(b.data.size())));
}
// Largest change between neighbouring frames of one channel.
float largest_step(const synth::Buffer& b, int ch) {
  float m = 0;
  for (size_t i = 1; i < b.frames(); i++)
    m = std::max(m, std::fabs(b.data[i * b.channels + ch] - b.data[(i - 1) * b.channels + ch]));
  return m;
}

TEST(SoundSynth, EveryEffectIsAudibleUnclippedAndCentredOnZero) {
  for (const synth::Effect& e : synth::game_effects()) {
    synth::Buffer b = synth::render_effect(e, RATE);
    ASSERT_GT(b.frames(), size_t(RATE / 2)) << e.name;
    EXPECT_NEAR(peak(b), 0.85f, 0.01f) << e.name;
    EXPECT_GT(rms(b), 0.05f) << e.name;
    EXPECT_LT(std::fabs(mean(b)), 0.005f) << e.name;
    // Sounds that play once start and end in silence.
    if (!e.loop) {
      EXPECT_LT(std::fabs(b.data.front()), 0.01f) << e.name;
      EXPECT_LT(std::fabs(b.data.back()), 0.01f) << e.name;
    }
  }
}

TEST(SoundSynth, LoopsStartAtZeroAndJoinWithoutAClick) {
  int loops = 0;
  for (const synth::Effect& e : synth::game_effects()) {
    if (!e.loop) continue;
    loops++;
    synth::Buffer b = synth::render_effect(e, RATE);
    EXPECT_LT(std::fabs(b.data.front()), 0.02f) << e.name;
    // From the last frame back to the first is a step like any other.
    float seam = std::fabs(b.data.front() - b.data.back());
    EXPECT_LE(seam, largest_step(b, 0)) << e.name;
  }
  EXPECT_GE(loops, 10);
}

// Power of one frequency in a mono buffer (Goertzel).
double tone_power(const synth::Buffer& b, double freq) {
  double w = 2 * M_PI * freq / b.rate, c = 2 * std::cos(w), s1 = 0, s2 = 0;
  for (float v : b.data) {
    double s0 = v + c * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return (s1 * s1 + s2 * s2 - c * s1 * s2) / double(b.data.size());
}

TEST(SoundSynth, HighBellsLeaveOutPartialsThatWouldFoldBack) {
  synth::Buffer b(RATE, 1.f);
  synth::bell(b, 0, 1568, 0.5f, 1.f);  // its 8.93 partial lies above the Nyquist limit
  double folded = double(RATE) - 1568 * 8.93;
  EXPECT_LT(tone_power(b, folded), 1e-4 * tone_power(b, 1568));
  EXPECT_GT(tone_power(b, 1568 * 5.40), 1e-3 * tone_power(b, 1568));
}

TEST(SoundSynth, RendersAreTheSameEveryBuild) {
  std::vector<synth::Effect> effects = synth::game_effects();
  ASSERT_FALSE(effects.empty());
  EXPECT_EQ(synth::render_effect(effects[0], RATE).data, synth::render_effect(effects[0], RATE).data);
}

// The loop position the sound script gives load_music for a piece.
double script_loop_pos(const std::string& script, const std::string& piece) {
  std::string call = "load_music(\"sound/" + piece + ".wav\",";
  size_t at = script.find(call);
  if (at == std::string::npos) return -1000;
  return std::stod(script.substr(at + call.size()));
}

TEST(SoundSynth, MusicLoopsSeamlesslyFromThePointTheSoundScriptGives) {
  std::ifstream in(EH_SOUND_SCRIPT);
  std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(script.empty());
  for (const synth::Music& m : {synth::menu_music(RATE), synth::game_music(RATE)}) {
    const synth::Buffer& b = m.audio;
    ASSERT_EQ(b.channels, 2);
    EXPECT_LE(peak(b), 1.f) << m.name;
    EXPECT_GT(m.loop_pos, 1.f) << m.name;
    EXPECT_LT(m.loop_pos, b.seconds() - 5.f) << m.name;
    // The script's figure lands on the same frame as the piece's own.
    double pos = script_loop_pos(script, m.name);
    EXPECT_EQ(size_t(pos * RATE), size_t(double(m.loop_pos) * RATE)) << m.name << " script says " << pos;
    size_t loop_frame = size_t(double(m.loop_pos) * RATE);
    for (int ch = 0; ch < 2; ch++) {
      float seam = std::fabs(b.data[loop_frame * 2 + ch] - b.data[(b.frames() - 1) * 2 + ch]);
      EXPECT_LE(seam, largest_step(b, ch)) << m.name;
    }
  }
}

TEST(SoundSynth, WrittenFilesReadBackThroughTheEnginesDecoder) {
  synth::Buffer b(RATE, 0.5f, 2);
  for (size_t i = 0; i < b.data.size(); i++) b.data[i] = float(std::sin(double(i) * 0.01)) * (i % 2 ? 0.5f : 1.5f);
  std::string path = (std::filesystem::temp_directory_path() / ("eh_synth_" + std::to_string(getpid()) + ".wav")).string();
  ASSERT_TRUE(synth::write_wav(path, b));
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  EXPECT_FALSE(synth::write_wav("/nonexistent_folder/x.wav", b));

  std::unique_ptr<AudioDecoder> d = open_audio_decoder(bytes.data(), bytes.size());
  ASSERT_TRUE(d);
  EXPECT_EQ(d->channels(), 2);
  EXPECT_EQ(d->sampleRate(), RATE);
  ASSERT_EQ(size_t(d->lengthFrames()), b.frames());
  std::vector<float> got(b.data.size());
  ASSERT_EQ(d->read(got.data(), int(b.frames())), int(b.frames()));
  for (size_t i = 0; i < got.size(); i++) {
    float want = std::clamp(b.data[i], -1.f, 1.f);  // clipped, not wrapped
    ASSERT_NEAR(got[i], want, 1.f / 16000) << i;
  }
}

}  // namespace
