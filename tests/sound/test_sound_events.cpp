#include <gtest/gtest.h>

#include <cstring>

#include "core/debug.h"
#include "sound/sound_events.h"
#include "sound/sound_output.h"
#include "tests/sound/sound_test_data.h"

namespace {

TEST(SoundEvents, NamesRunInEventOrder) {
  EXPECT_STREQ(sound_event_name[0], "use_portal");
  EXPECT_STREQ(sound_event_name[1], "enter_world");
  EXPECT_STREQ(sound_event_name[24], "land_moving");
  EXPECT_STREQ(sound_event_name[33], "volcano_eruption");
  for (int i = 0; i < NUM_SOUND_EVENTS; ++i)
    for (int j = i + 1; j < NUM_SOUND_EVENTS; ++j) EXPECT_STRNE(sound_event_name[i], sound_event_name[j]);
}

TEST(SoundEvents, UnknownEventsGiveNoChannelAndAreNotLogged) {
  ASSERT_FALSE(is_sound_event_logging());
  toggle_sound_event_logging();
  testing::internal::CaptureStdout();
  EXPECT_EQ(get_sound_event_channel(34), 0u);
  EXPECT_EQ(get_sound_event_channel(-1), 0u);
  EXPECT_EQ(play_sound_event(1000), 0u);
  EXPECT_EQ(play_sound_event(-5, _mm_setzero_ps(), _mm_setzero_ps()), 0u);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  toggle_sound_event_logging();
}

TEST(SoundEvents, LoggingWritesEachEventToBothLogsAndSwitchingOffClearsTheVisualLog) {
  toggle_sound_event_logging();
  ASSERT_TRUE(is_sound_event_logging());
  ASSERT_GT(get_visual_log().size(), 0);
  EXPECT_STREQ(get_visual_log().last().c_str(), "logging sound events");
  testing::internal::CaptureStdout();
  get_sound_event_channel(24);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "sound event 'land_moving'\n");
  EXPECT_STREQ(get_visual_log().last().c_str(), "sound event 'land_moving'");
  toggle_sound_event_logging();
  EXPECT_FALSE(is_sound_event_logging());
  EXPECT_EQ(get_visual_log().size(), 0);
}

TEST(SoundEvents, StoppingWithNothingTrackedAndUpdatingAreHarmless) {
  use_wave_output();
  ASSERT_TRUE(init_sound(true));
  stop_event_sounds();
  update_event_sounds(_mm_setzero_ps());
  close_sound();
}

}  // namespace
