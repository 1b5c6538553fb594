// What the device actually mixed, read back from the wave capture: sound
// where a channel played, silence after a stop or a finished fade, the side a
// source is heard on, and streams that loop from their loop point.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "sound/sound_output.h"
#include "tests/sound/sound_test_data.h"

namespace {

constexpr double WINDOW = 0.02;
constexpr float SILENT = 0.01f;

void wait_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Runs of windows of the same level class: 'S' silent, 'I' the quiet intro
// level, 'B' the loud body level. Lone windows between classes (a transition
// falls inside them) are dropped, and so is a single window of any level.
struct LevelRun {
  char level;
  double seconds;
};

std::vector<LevelRun> level_runs(const std::vector<float>& env) {
  std::string cls;
  for (float e : env) cls += e < SILENT ? 'S' : (e > 0.06f && e < 0.2f) ? 'I' : e > 0.33f ? 'B' : 'X';
  std::vector<LevelRun> runs;
  for (size_t i = 0; i < cls.size();) {
    size_t j = i;
    while (j < cls.size() && cls[j] == cls[i]) ++j;
    bool lone_transition = (cls[i] == 'X' && j - i <= 2) || (j - i == 1 && i > 0 && j < cls.size());
    if (!lone_transition) {
      if (!runs.empty() && runs.back().level == cls[i])
        runs.back().seconds += (j - i) * WINDOW;
      else
        runs.push_back({cls[i], (j - i) * WINDOW});
    }
    i = j;
  }
  return runs;
}

std::string describe(const std::vector<LevelRun>& runs) {
  std::string s;
  for (const LevelRun& r : runs) s += std::string(1, r.level) + ":" + std::to_string(r.seconds).substr(0, 4) + " ";
  return s;
}

// Intro of 0.25 s at a quiet level, then 0.25 s of a loud body.
std::vector<float> intro_and_body() {
  std::vector<float> intro = make_tone(440, 0.15f, 0.25f), body = make_tone(440, 0.6f, 0.25f);
  intro.insert(intro.end(), body.begin(), body.end());
  return intro;
}

struct Segment {
  float left, right;
};
// Levels of the loud stretches of the capture, in order.
std::vector<Segment> loud_segments(const MixCapture& cap) {
  std::vector<Segment> out;
  std::vector<float> env = cap.envelope(WINDOW);
  for (size_t i = 0; i < env.size();) {
    if (env[i] < SILENT) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < env.size() && env[j] >= SILENT) ++j;
    // Leave out the edges, where the stretch starts and ends inside a window.
    if (j - i > 4) out.push_back({cap.rms(cap.left, (i + 1) * WINDOW, (j - 1) * WINDOW), cap.rms(cap.right, (i + 1) * WINDOW, (j - 1) * WINDOW)});
    i = j;
  }
  return out;
}

class SoundMix : public ::testing::Test {
 protected:
  void SetUp() override {
    use_wave_output();
    ASSERT_TRUE(init_sound(true));
    set_listener_3d_factors(1, 1, 1);
  }
  void TearDown() override { close_sound(); }

  MixCapture finish() {
    close_sound();
    return read_mix_capture();
  }
  unsigned loud_loop_channel(int flags = 0) {
    std::string path = write_test_file("loud.wav", encode_wav(make_tone(440, 0.6f, 0.3f), 1, TEST_RATE, WavCoding::PCM16));
    unsigned s = load_sound_sample(path.c_str(), 1, flags | SOUND_FLAG_LOOP, 1, 0, 0);
    EXPECT_NE(s, 0u);
    return get_sound_sample_channel(s, false);
  }
};

TEST_F(SoundMix, PlayedChannelIsHeardAndStopLeavesSilence) {
  unsigned ch = loud_loop_channel();
  wait_ms(100);
  ASSERT_TRUE(play_sound(ch, true));
  wait_ms(400);
  ASSERT_TRUE(stop_sound(ch));
  wait_ms(300);
  std::vector<LevelRun> runs = level_runs(finish().envelope(WINDOW));
  ASSERT_EQ(runs.size(), 3u) << describe(runs);
  EXPECT_EQ(runs[0].level, 'S');
  EXPECT_EQ(runs[1].level, 'B');
  EXPECT_NEAR(runs[1].seconds, 0.4, 0.08);
  EXPECT_EQ(runs[2].level, 'S');
  EXPECT_GT(runs[2].seconds, 0.2);
}

TEST_F(SoundMix, FadeOutFallsThroughThePlayedLevelToSilence) {
  unsigned ch = loud_loop_channel();
  ASSERT_TRUE(play_sound(ch, true));
  wait_ms(300);
  // The slide runs to -1, so the sound reaches silence half way, at 200 ms.
  ASSERT_TRUE(fade_out_and_stop_sound(ch, 400));
  wait_ms(600);
  EXPECT_FALSE(is_sound_playing(ch));
  std::vector<float> env = finish().envelope(WINDOW);
  size_t last_loud = 0, first_silent = 0;
  for (size_t i = 0; i < env.size(); ++i)
    if (env[i] > 0.4f) last_loud = i;
  for (size_t i = last_loud; i < env.size(); ++i)
    if (env[i] < SILENT) {
      first_silent = i;
      break;
    }
  ASSERT_GT(first_silent, last_loud);
  double fade_seconds = (first_silent - last_loud) * WINDOW;
  EXPECT_GT(fade_seconds, 0.12);
  EXPECT_LT(fade_seconds, 0.3);
  // The level falls steadily, without jumps back up.
  for (size_t i = last_loud + 1; i < first_silent; ++i) EXPECT_LE(env[i], env[i - 1] + 0.02f) << i;
  for (size_t i = first_silent; i < env.size(); ++i) EXPECT_LT(env[i], SILENT) << "sound again at window " << i;
}

TEST_F(SoundMix, FadeOutOfZeroMillisecondsStopsAtOnce) {
  unsigned ch = loud_loop_channel();
  ASSERT_TRUE(play_sound(ch, true));
  wait_ms(300);
  ASSERT_TRUE(fade_out_and_stop_sound(ch, 0));
  wait_ms(200);
  std::vector<float> env = finish().envelope(WINDOW);
  size_t last_loud = 0, first_silent = 0;
  for (size_t i = 0; i < env.size(); ++i)
    if (env[i] > 0.4f) last_loud = i;
  for (size_t i = last_loud; i < env.size() && !first_silent; ++i)
    if (env[i] < SILENT) first_silent = i;
  EXPECT_LE(first_silent - last_loud, 2u);
}

TEST_F(SoundMix, SourcesRightAndLeftOfTheListenerAreHeardOnThatSide) {
  __m128 listener = _mm_setr_ps(100, 10, 100, 0), zero = _mm_setzero_ps();
  set_listener_pos(listener, zero, _mm_setr_ps(0, 0, 1, 0), _mm_setr_ps(0, 1, 0, 0));
  unsigned ch = loud_loop_channel(SOUND_FLAG_3D);
  set_sound_3d_params(ch, 1, 1000);
  // Given on the far image: wrapped, it is 8 units right of the listener.
  update_3d_sound(ch, _mm_setr_ps(100 + 8 - 256, 10, 100 + 512, 0), zero);
  apply_3d_sound();
  play_sound(ch, true);
  wait_ms(300);
  stop_sound(ch);
  wait_ms(150);
  update_3d_sound(ch, _mm_setr_ps(100 - 8, 10, 100, 0), zero);
  apply_3d_sound();
  play_sound(ch, true);
  wait_ms(300);
  stop_sound(ch);
  wait_ms(100);
  std::vector<Segment> seg = loud_segments(finish());
  ASSERT_EQ(seg.size(), 2u);
  EXPECT_GT(seg[0].right, 2 * seg[0].left);
  EXPECT_GT(seg[1].left, 2 * seg[1].right);
}

TEST_F(SoundMix, ThreeDChangesWaitForApply) {
  __m128 zero = _mm_setzero_ps();
  set_listener_pos(zero, zero, _mm_setr_ps(0, 0, 1, 0), _mm_setr_ps(0, 1, 0, 0));
  apply_3d_sound();
  unsigned ch = loud_loop_channel(SOUND_FLAG_3D);
  set_sound_3d_pos(ch, _mm_setr_ps(8, 0, 0, 0));
  play_sound(ch, true);  // starts where it was last put: on the right
  wait_ms(250);
  set_sound_3d_pos(ch, _mm_setr_ps(-8, 0, 0, 0));  // pending: still heard on the right
  wait_ms(250);
  stop_sound(ch);
  wait_ms(120);
  apply_3d_sound();
  play_sound(ch, true);
  wait_ms(250);
  stop_sound(ch);
  wait_ms(100);
  std::vector<Segment> seg = loud_segments(finish());
  ASSERT_EQ(seg.size(), 2u);
  EXPECT_GT(seg[0].right, 2 * seg[0].left);
  EXPECT_GT(seg[1].left, 2 * seg[1].right);
}

TEST_F(SoundMix, PanMovesA2DChannelToOneSide) {
  unsigned ch = loud_loop_channel();
  set_sound_pan(ch, 1);
  play_sound(ch, true);
  wait_ms(300);
  stop_sound(ch);
  wait_ms(150);
  set_sound_pan(ch, -1);
  play_sound(ch, true);
  wait_ms(300);
  stop_sound(ch);
  wait_ms(100);
  std::vector<Segment> seg = loud_segments(finish());
  ASSERT_EQ(seg.size(), 2u);
  EXPECT_GT(seg[0].right, 4 * seg[0].left);
  EXPECT_GT(seg[1].left, 4 * seg[1].right);
}

class SoundMixStream : public SoundMix, public ::testing::WithParamInterface<bool> {
 protected:
  std::string introAndBodyFile() {
    std::vector<float> s = intro_and_body();
    return GetParam() ? write_test_file("music.ogg", encode_ogg(s, 1, TEST_RATE))
                      : write_test_file("music.wav", encode_wav(s, 1, TEST_RATE, WavCoding::FLOAT32));
  }
};

TEST_P(SoundMixStream, LoopsSeamlesslyFromItsLoopPoint) {
  std::string path = introAndBodyFile();
  unsigned m = load_sound_stream(path.c_str(), 0.25, 0, 0, 0);
  ASSERT_NE(m, 0u);
  wait_ms(60);
  play_sound(m, true);
  wait_ms(1300);  // more than twice the whole piece
  EXPECT_TRUE(is_sound_playing(m));
  stop_sound(m);
  wait_ms(150);
  std::vector<LevelRun> runs = level_runs(finish().envelope(WINDOW));
  // Intro once, then the body without a gap or the intro again.
  ASSERT_EQ(runs.size(), 4u) << describe(runs);
  EXPECT_EQ(runs[1].level, 'I');
  EXPECT_NEAR(runs[1].seconds, 0.25, 0.06);
  EXPECT_EQ(runs[2].level, 'B');
  EXPECT_GT(runs[2].seconds, 0.95);
  EXPECT_EQ(runs[3].level, 'S');
}

TEST_P(SoundMixStream, WithoutLoopPointPlaysOnce) {
  std::string path = introAndBodyFile();
  unsigned m = load_sound_stream(path.c_str(), -1, 0, 0, 0);
  ASSERT_NE(m, 0u);
  wait_ms(60);
  play_sound(m, true);
  wait_ms(900);
  EXPECT_FALSE(is_sound_playing(m));
  std::vector<LevelRun> runs = level_runs(finish().envelope(WINDOW));
  ASSERT_EQ(runs.size(), 4u) << describe(runs);
  EXPECT_EQ(runs[1].level, 'I');
  EXPECT_EQ(runs[2].level, 'B');
  EXPECT_NEAR(runs[2].seconds, 0.25, 0.06);
  EXPECT_EQ(runs[3].level, 'S');
  EXPECT_GT(runs[3].seconds, 0.3);
}

TEST_P(SoundMixStream, LoopFlagWithoutLoopPointStartsOver) {
  std::string path = introAndBodyFile();
  unsigned m = load_sound_stream(path.c_str(), -1, SOUND_FLAG_LOOP, 0, 0);
  ASSERT_NE(m, 0u);
  wait_ms(60);
  play_sound(m, true);
  wait_ms(850);
  stop_sound(m);
  wait_ms(100);
  std::vector<LevelRun> runs = level_runs(finish().envelope(WINDOW));
  ASSERT_GE(runs.size(), 5u) << describe(runs);
  EXPECT_EQ(std::string({runs[1].level, runs[2].level, runs[3].level}), "IBI") << describe(runs);
}

TEST_P(SoundMixStream, StopThenPlayResumesAndRestartBeginsAgain) {
  std::string path = introAndBodyFile();
  unsigned m = load_sound_stream(path.c_str(), -1, 0, 0, 0);
  wait_ms(60);
  play_sound(m, true);
  wait_ms(100);
  stop_sound(m);
  wait_ms(150);
  play_sound(m, false);  // the rest of the intro, then the body
  wait_ms(600);
  play_sound(m, true);
  wait_ms(150);
  stop_sound(m);
  wait_ms(100);
  std::vector<LevelRun> runs = level_runs(finish().envelope(WINDOW));
  std::string seq;
  for (const LevelRun& r : runs) seq += r.level;
  EXPECT_EQ(seq, "SISIBSIS") << describe(runs);
}

INSTANTIATE_TEST_SUITE_P(WavAndOgg, SoundMixStream, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Ogg" : "Wav"; });

TEST_F(SoundMix, ALoopPointPastTheEndLoopsFromTheStart) {
  std::string path = write_test_file("ib.wav", encode_wav(intro_and_body(), 1, TEST_RATE, WavCoding::PCM16));
  unsigned m = load_sound_stream(path.c_str(), 7.0, 0, 0, 0);
  wait_ms(60);
  play_sound(m, true);
  wait_ms(800);
  stop_sound(m);
  wait_ms(100);
  std::vector<LevelRun> runs = level_runs(finish().envelope(WINDOW));
  ASSERT_GE(runs.size(), 5u) << describe(runs);
  EXPECT_EQ(std::string({runs[1].level, runs[2].level, runs[3].level}), "IBI") << describe(runs);
}

TEST_F(SoundMix, ASeekBeforePlayingSetsWhereTheChannelStarts) {
  std::string path = write_test_file("ib.wav", encode_wav(intro_and_body(), 1, TEST_RATE, WavCoding::PCM16));
  unsigned s = load_sound_sample(path.c_str(), 1, 0, 1, 0, 0);
  unsigned ch = get_sound_sample_channel(s, false);
  wait_ms(60);
  ASSERT_TRUE(set_relative_sound_pos(ch, 0.6f));
  play_sound(ch, true);
  wait_ms(400);
  std::vector<LevelRun> runs = level_runs(finish().envelope(WINDOW));
  ASSERT_EQ(runs.size(), 3u) << describe(runs);
  EXPECT_EQ(runs[1].level, 'B');
  EXPECT_NEAR(runs[1].seconds, 0.2, 0.05);
}

}  // namespace
