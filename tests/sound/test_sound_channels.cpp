// Channels of samples: handing out, voice stealing by kind, playback state,
// slides and 3D attributes.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sound/sound_output.h"
#include "tests/sound/sound_test_data.h"

namespace {

void wait_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class SoundChannels : public ::testing::Test {
 protected:
  void SetUp() override {
    use_wave_output();
    ASSERT_TRUE(init_sound(true));
    path = write_test_file("loop.wav", encode_wav(make_tone(330, 0.3f, 0.5f), 1, TEST_RATE, WavCoding::PCM16));
    __m128 zero = _mm_setzero_ps();
    set_listener_pos(zero, zero, _mm_setr_ps(0, 0, 1, 0), _mm_setr_ps(0, 1, 0, 0));
  }
  void TearDown() override { close_sound(); }

  unsigned looping_sample(int max, int kind, int flags = 0) {
    return load_sound_sample(path.c_str(), max, flags | SOUND_FLAG_LOOP, kind, 0, 0);
  }
  // Takes a channel and plays it; the short wait orders their start times.
  unsigned start(unsigned sample) {
    unsigned ch = get_sound_sample_channel(sample, false);
    EXPECT_NE(ch, 0u);
    EXPECT_TRUE(play_sound(ch, true));
    wait_ms(15);
    return ch;
  }
  static bool alive(unsigned ch) { return set_sound_volume(ch, 0.5f); }

  std::string path;
};

TEST_F(SoundChannels, OldestKindTakesOverTheLongestPlaying) {
  unsigned s = looping_sample(2, SOUND_STEAL_OLDEST);
  unsigned a = start(s), b = start(s);
  unsigned c = get_sound_sample_channel(s, false);
  ASSERT_NE(c, 0u);
  EXPECT_NE(c, a);
  EXPECT_FALSE(alive(a));
  EXPECT_FALSE(is_sound_playing(a));
  EXPECT_TRUE(alive(b));
  EXPECT_TRUE(is_sound_playing(b));
  EXPECT_FALSE(is_sound_playing(c));  // taken, not yet played
}

TEST_F(SoundChannels, QuietestKindTakesOverTheLowestVolume) {
  unsigned s = looping_sample(3, SOUND_STEAL_QUIETEST);
  unsigned a = start(s), b = start(s), c = start(s);
  set_sound_volume(a, 0.8f);
  set_sound_volume(b, 0.1f);
  set_sound_volume(c, 0.5f);
  ASSERT_NE(get_sound_sample_channel(s, false), 0u);
  EXPECT_TRUE(is_sound_playing(a));
  EXPECT_FALSE(is_sound_playing(b));
  EXPECT_TRUE(is_sound_playing(c));
}

TEST_F(SoundChannels, FarthestKindTakesOverTheFarthestFromTheListener) {
  for (int kind : {SOUND_STEAL_FARTHEST, SOUND_STEAL_DEFAULT}) {
    unsigned s = looping_sample(2, kind, SOUND_FLAG_3D);
    unsigned a = start(s), b = start(s);
    // The older one is nearer, so this is not the longest-playing rule.
    set_sound_3d_pos(a, _mm_setr_ps(3, 0, 4, 0));
    set_sound_3d_pos(b, _mm_setr_ps(0, 40, 0, 0));
    ASSERT_NE(get_sound_sample_channel(s, false), 0u);
    EXPECT_TRUE(is_sound_playing(a)) << kind;
    EXPECT_FALSE(is_sound_playing(b)) << kind;
    free_sound_sample(s);
  }
}

TEST_F(SoundChannels, DefaultKindOfA2DSampleTakesOverTheLongestPlaying) {
  unsigned s = looping_sample(2, SOUND_STEAL_DEFAULT);
  unsigned a = start(s), b = start(s);
  ASSERT_NE(get_sound_sample_channel(s, false), 0u);
  EXPECT_FALSE(is_sound_playing(a));
  EXPECT_TRUE(is_sound_playing(b));
}

TEST_F(SoundChannels, OtherKindsAndOnlyNewTakeNothingOver) {
  unsigned s = looping_sample(1, SOUND_STEAL_NONE);
  unsigned a = start(s);
  EXPECT_EQ(get_sound_sample_channel(s, false), 0u);
  EXPECT_TRUE(is_sound_playing(a));
  unsigned t = looping_sample(1, SOUND_STEAL_OLDEST);
  unsigned b = start(t);
  EXPECT_EQ(get_sound_sample_channel(t, true), 0u);
  EXPECT_TRUE(is_sound_playing(b));
}

TEST_F(SoundChannels, AStoppedChannelIsReusedBeforeAPlayingOneIsTaken) {
  unsigned s = looping_sample(2, SOUND_STEAL_OLDEST);
  unsigned a = start(s), b = start(s);
  stop_sound(b);
  unsigned c = get_sound_sample_channel(s, false);
  ASSERT_NE(c, 0u);
  EXPECT_TRUE(is_sound_playing(a));
  EXPECT_FALSE(alive(b));  // its slot went to c under a new handle
  EXPECT_TRUE(alive(c));
}

TEST_F(SoundChannels, NewChannelsStartFromTheSampleDefaults) {
  unsigned s = looping_sample(2, SOUND_STEAL_OLDEST, SOUND_FLAG_3D);
  EXPECT_TRUE(set_sound_sample_volume(s, 0.25f));
  EXPECT_TRUE(set_sound_sample_dist(s, 5, 50));
  unsigned a = get_sound_sample_channel(s, false);
  __m128 pos;
  ASSERT_TRUE(get_sound_3d_pos(a, pos));
  alignas(16) float p[4];
  _mm_store_ps(p, pos);
  EXPECT_EQ(p[3], 1.0f);
  EXPECT_TRUE(set_sound_3d_pos(a, _mm_setr_ps(7, 8, 9, 0), _mm_setr_ps(1, 0, 0, 0)));
  ASSERT_TRUE(get_sound_3d_pos(a, pos));
  _mm_store_ps(p, pos);
  EXPECT_EQ(p[0], 7);
  EXPECT_EQ(p[1], 8);
  EXPECT_EQ(p[2], 9);
  EXPECT_EQ(p[3], 1);
  EXPECT_TRUE(set_sound_3d_params(a, 2, 20));
  EXPECT_FALSE(set_sound_sample_volume(a, 1));  // a channel is no sample
}

TEST_F(SoundChannels, TwoDChannelsHaveNo3DAttributes) {
  unsigned s = looping_sample(1, SOUND_STEAL_OLDEST);
  unsigned a = get_sound_sample_channel(s, false);
  __m128 pos;
  EXPECT_FALSE(get_sound_3d_pos(a, pos));
  EXPECT_FALSE(set_sound_3d_pos(a, _mm_setzero_ps()));
  EXPECT_FALSE(set_sound_3d_params(a, 1, 2));
  EXPECT_TRUE(set_sound_pan(a, -1));
}

TEST_F(SoundChannels, FreeingASampleEndsItsChannels) {
  unsigned s = looping_sample(2, SOUND_STEAL_OLDEST, SOUND_FLAG_3D);
  unsigned a = start(s);
  ASSERT_TRUE(free_sound_sample(s));
  __m128 pos;
  EXPECT_FALSE(get_sound_3d_pos(a, pos));
  EXPECT_FALSE(is_sound_playing(a));
  EXPECT_FALSE(play_sound(a, true));
  EXPECT_EQ(get_sound_sample_channel(s, false), 0u);
}

TEST_F(SoundChannels, PauseResumeAndStop) {
  unsigned s = looping_sample(1, SOUND_STEAL_OLDEST);
  unsigned a = start(s);
  EXPECT_TRUE(pause_sound(a));
  EXPECT_FALSE(is_sound_playing(a));
  EXPECT_FALSE(pause_sound(a));  // nothing to pause
  EXPECT_TRUE(play_sound(a, false));
  EXPECT_TRUE(is_sound_playing(a));
  EXPECT_TRUE(stop_sound(a));
  EXPECT_FALSE(is_sound_playing(a));
}

TEST_F(SoundChannels, AOnceOnlySampleStopsAtItsEnd) {
  std::string once = write_test_file("blip.wav", encode_wav(make_tone(500, 0.3f, 0.05f), 1, TEST_RATE, WavCoding::PCM16));
  unsigned s = load_sound_sample(once.c_str(), 1, 0, 1, 0, 0);
  unsigned a = get_sound_sample_channel(s, false);
  play_sound(a, true);
  EXPECT_TRUE(is_sound_playing(a));
  wait_ms(200);
  EXPECT_FALSE(is_sound_playing(a));
  EXPECT_TRUE(alive(a));  // ended, but still ours until reused
}

TEST_F(SoundChannels, FadeOutStopsWhenTheSlideEnds) {
  unsigned s = looping_sample(2, SOUND_STEAL_OLDEST);
  unsigned a = start(s), b = start(s);
  EXPECT_TRUE(fade_out_and_stop_sound(a, 120));
  wait_ms(40);
  EXPECT_TRUE(is_sound_playing(a));  // still fading
  wait_ms(200);
  EXPECT_FALSE(is_sound_playing(a));
  EXPECT_TRUE(fade_out_and_stop_sound(b, 0));
  EXPECT_FALSE(is_sound_playing(b));  // at once
}

TEST_F(SoundChannels, ASlideToAPositiveVolumeKeepsPlayingAndANewVolumeEndsIt) {
  unsigned s = looping_sample(1, SOUND_STEAL_OLDEST);
  unsigned a = start(s);
  EXPECT_TRUE(slide_sound_volume(a, 0.0f, 30));
  wait_ms(80);
  EXPECT_TRUE(is_sound_playing(a));  // a slide to 0 is silent, not stopped
  EXPECT_TRUE(fade_out_and_stop_sound(a, 60));
  EXPECT_TRUE(set_sound_volume(a, 1.0f));  // cancels the fade
  wait_ms(120);
  EXPECT_TRUE(is_sound_playing(a));
}

TEST_F(SoundChannels, In2DModeThe3DFlagIsIgnored) {
  close_sound();
  ASSERT_TRUE(init_sound(false));
  unsigned s = looping_sample(1, SOUND_STEAL_DEFAULT, SOUND_FLAG_3D);
  ASSERT_NE(s, 0u);
  unsigned a = get_sound_sample_channel(s, false);
  EXPECT_FALSE(set_sound_3d_pos(a, _mm_setzero_ps()));
  EXPECT_TRUE(play_sound(a, true));
  EXPECT_TRUE(is_sound_playing(a));
}

TEST_F(SoundChannels, HandlesDieWithTheDevice) {
  unsigned s = looping_sample(1, SOUND_STEAL_OLDEST);
  unsigned a = start(s);
  close_sound();
  ASSERT_TRUE(init_sound(true));
  EXPECT_FALSE(is_sound_playing(a));
  EXPECT_FALSE(free_sound_sample(s));
  unsigned t = looping_sample(1, SOUND_STEAL_OLDEST);
  EXPECT_NE(t, s);
}

}  // namespace
