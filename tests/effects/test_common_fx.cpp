#include <gtest/gtest.h>

#include <cmath>

#include "effects/common_fx.h"
#include "terrain/game_random.h"

namespace {

float lane(__m128 v, int i) {
  float f[4];
  _mm_storeu_ps(f, v);
  return f[i];
}

__m128 v3(float x, float y, float z) { return _mm_setr_ps(x, y, z, 0.f); }

void add_glow(float life, float delay, __m128 vel = v3(1, 0, 0)) {
  add_glow_particle(v3(0, 0, 0), vel, v3(0, 0, 0), life, delay, 1.f, 0xffffffff, 0, 0, 64, 0, 0, nullptr, nullptr,
                    nullptr);
}

class CommonFxTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_common_fx(); }
  void TearDown() override { reset_common_fx(); }
};

TEST_F(CommonFxTest, ParticleFirstStepHonoursItsDelay) {
  add_glow(1.f, 0.f);
  add_glow(1.f, 0.02f);
  add_glow(1.f, 0.1f);
  const auto& p = fx_glow_pool.parts;
  EXPECT_NEAR(lane(p[0].pos, 0), 0.05f, 1e-6f);
  EXPECT_NEAR(lane(p[1].pos, 0), 0.03f, 1e-6f);
  EXPECT_EQ(lane(p[2].pos, 0), 0.f);
  // The long delay holds it still until its age passes zero.
  update_common_fx(0.05f);
  EXPECT_EQ(lane(p[2].pos, 0), 0.f);
  update_common_fx(0.1f);
  EXPECT_NEAR(lane(p[2].pos, 0), 0.05f, 1e-5f);
}

TEST_F(CommonFxTest, DragSlowsAndSpareLaneIsKept) {
  add_glow(5.f, 0.f, _mm_setr_ps(10.f, 0.f, 0.f, 2.f));
  for (int i = 0; i < 20; i++) update_common_fx(0.05f);
  const FxParticle& p = fx_glow_pool.parts[0];
  EXPECT_LT(lane(p.vel, 0), 10.f * std::exp(-2.f * 1.f) * 1.2f);
  EXPECT_EQ(lane(p.vel, 3), 2.f);
  EXPECT_EQ(lane(p.pos, 3), 0.f);
}

TEST_F(CommonFxTest, DeadParticleRecordIsReused) {
  add_glow(1.f, 0.f);
  add_glow(10.f, 0.f);
  for (int i = 0; i < 19; i++) update_common_fx(0.05f);
  EXPECT_GT(fx_glow_pool.parts[0].life, 0.f);
  update_common_fx(0.05f);  // age reaches 1
  EXPECT_EQ(fx_glow_pool.parts[0].life, -1.f);
  EXPECT_EQ(fx_glow_pool.firstFree, 0);
  add_glow(2.f, 0.f);
  EXPECT_EQ(fx_glow_pool.parts.size(), 2);
  EXPECT_EQ(fx_glow_pool.parts[0].life, 2.f);
  EXPECT_EQ(fx_glow_pool.firstFree, -1);
}

TEST_F(CommonFxTest, TrailPoolRunsOutAndStoppedTrailsComeBack) {
  for (int i = 0; i < MAX_TRAILS; i++) ASSERT_GE(add_trail_fx(v3(0, 0, 0), v3(0, 0, 0), v3(0, 1, 0), 1.f, ~0u), 0);
  EXPECT_EQ(add_trail_fx(v3(0, 0, 0), v3(0, 0, 0), v3(0, 1, 0), 1.f, ~0u), -1);

  // A stopped trail shrinks one point a step and then is free again: a long
  // game keeps finding trails.
  for (int k = 0; k < TRAIL_POINTS + 4; k++) add_trail_point(7, v3(float(k), 0, 0), v3(0, 0, 0), v3(0, 1, 0));
  EXPECT_EQ(fx_trails[7].count, TRAIL_POINTS);
  stop_trail_fx(7);
  for (int s = 0; s < TRAIL_POINTS - 1; s++) update_common_fx(0.05f);
  EXPECT_EQ(fx_trails[7].count, 1);
  update_common_fx(0.05f);
  EXPECT_EQ(fx_trails[7].count, 0);
  EXPECT_EQ(add_trail_fx(v3(0, 0, 0), v3(0, 0, 0), v3(0, 1, 0), 1.f, ~0u), 7);

  kill_trail_fx(9);
  kill_trail_fx(9);  // already free: nothing changes
  add_trail_point(9, v3(1, 0, 0), v3(0, 0, 0), v3(0, 1, 0));
  EXPECT_EQ(fx_trails[9].count, 0);
  EXPECT_EQ(add_trail_fx(v3(0, 0, 0), v3(0, 0, 0), v3(0, 1, 0), 1.f, ~0u), 9);
  EXPECT_EQ(add_trail_fx(v3(0, 0, 0), v3(0, 0, 0), v3(0, 1, 0), 1.f, ~0u), -1);
  add_trail_point(-1, v3(0, 0, 0), v3(0, 0, 0), v3(0, 0, 0));  // out of range: ignored
  stop_trail_fx(MAX_TRAILS);
}

TEST_F(CommonFxTest, TrailStaysContinuousAcrossTheSeam) {
  int t = add_trail_fx(v3(1, 0, 0), v3(-40, 0, 0), v3(0, 1, 0), 1.f, ~0u);
  add_trail_point(t, v3(250, 0, 0), v3(-40, 0, 0), v3(0, 1, 0));
  const FxTrail& tr = fx_trails[t];
  EXPECT_FLOAT_EQ(lane(tr.points[tr.head].pos, 0), -6.f);
  // The step brings the head back into 0..256 and moves every point by the
  // same offset, so neighbours stay 7 units apart.
  update_common_fx(0.05f);
  float head = lane(tr.points[tr.head].pos, 0);
  float older = lane(tr.points[(tr.head + 1) % TRAIL_POINTS].pos, 0);
  EXPECT_NEAR(head, 248.f, 1e-4f);
  EXPECT_NEAR(older - head, 7.f, 1e-4f);
}

TEST_F(CommonFxTest, BoltRunsFromEndToEndAndFades) {
  game_rnd_seed = 42;
  add_lightning_fx(v3(250, 10, 5), v3(6, 0, 5), v3(0, -2, 0), 0.5f, 4.f, 1.f, 0.3f, 0xffffffff, 2);
  ASSERT_EQ(fx_bolts.size(), 1);
  const FxBolt& b = fx_bolts[0];
  ASSERT_EQ(b.points.size(), 3);  // at least three points
  // The far end is taken at its copy nearest the start, across the seam.
  EXPECT_NEAR(lane(b.points[2].pos, 0), 262.f, 1e-4f);
  EXPECT_EQ(b.points[0].color, 0u);
  EXPECT_EQ(b.points[2].color, 0u);
  EXPECT_EQ(b.points[1].color, 0xffffffffu);
  EXPECT_GT(b.points[2].texCoord, b.points[1].texCoord);
  update_common_fx(0.2f);
  EXPECT_EQ(fx_bolts.size(), 1);
  update_common_fx(0.1f);
  EXPECT_EQ(fx_bolts.size(), 0);
}

}  // namespace
