#include <gtest/gtest.h>

#include "sound/sound_output.h"

namespace {

struct Lanes {
  float x, y, z, w;
};
Lanes lanes(__m128 v) {
  Lanes l;
  _mm_storeu_ps(&l.x, v);
  return l;
}

TEST(SoundWrap, MovesXAndZToTheImageNearestTheCentre) {
  __m128 centre = _mm_setr_ps(10, 5, 20, 0);
  Lanes a = lanes(wrap_pos_around(_mm_setr_ps(10 + 200, 77, 20 - 200, 3), centre));
  EXPECT_FLOAT_EQ(a.x, 10 - 56);
  EXPECT_FLOAT_EQ(a.z, 20 + 56);
  EXPECT_FLOAT_EQ(a.y, 77);  // height is never wrapped
  EXPECT_FLOAT_EQ(a.w, 3);

  Lanes far = lanes(wrap_pos_around(_mm_setr_ps(10 + 3 * 256 + 7, 0, 20 - 5 * 256 - 100, 0), centre));
  EXPECT_FLOAT_EQ(far.x, 17);
  EXPECT_FLOAT_EQ(far.z, -80);

  Lanes near = lanes(wrap_pos_around(_mm_setr_ps(10 + 127, 0, 20 - 127, 0), centre));
  EXPECT_FLOAT_EQ(near.x, 137);
  EXPECT_FLOAT_EQ(near.z, -107);
}

TEST(SoundWrap, HalfAPeriodAwayEndsOnThePositiveSide) {
  __m128 centre = _mm_setr_ps(0, 0, 0, 0);
  Lanes minus = lanes(wrap_pos_around(_mm_setr_ps(-128, 0, -128, 0), centre));
  EXPECT_FLOAT_EQ(minus.x, 128);
  EXPECT_FLOAT_EQ(minus.z, 128);
  Lanes plus = lanes(wrap_pos_around(_mm_setr_ps(128, 0, 384, 0), centre));
  EXPECT_FLOAT_EQ(plus.x, 128);
  EXPECT_FLOAT_EQ(plus.z, 128);
}

TEST(SoundWrap, FollowsTheListenerPosition) {
  __m128 zero = _mm_setzero_ps();
  set_listener_pos(_mm_setr_ps(250, 0, 3, 0), zero, _mm_setr_ps(0, 0, 1, 0), _mm_setr_ps(0, 1, 0, 0));
  Lanes a = lanes(wrap_sound_pos(_mm_setr_ps(4, 9, 3, 0)));
  EXPECT_FLOAT_EQ(a.x, 260);
  EXPECT_FLOAT_EQ(a.y, 9);
  EXPECT_FLOAT_EQ(a.z, 3);
}

}  // namespace
