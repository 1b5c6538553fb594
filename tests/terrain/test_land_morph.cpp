#include <gtest/gtest.h>

#include <vector>

#include "sound/land_sounds.h"
#include "sound/sound_output.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"

using namespace HeightmapData;

namespace {

void camera_at(float x, float z) {
  connect_land_sounds();
  set_listener_pos(_mm_setr_ps(x, 20.0f, z, 1.0f), _mm_setzero_ps(), _mm_setr_ps(0, 0, 1, 0),
                   _mm_setr_ps(0, 1, 0, 0));
}

void level_world(float height) {
  reset();
  for (int i = 0; i < HMAP_CELLS; ++i) hmap[i] = target_hmap[i] = height;
  camera_at(128.0f, 128.0f);
}

float accum(int group, int lane) {
  alignas(16) float v[4];
  _mm_store_ps(v, land_sound[group].pos_accum);
  return v[lane];
}

int draws_between(uint64_t before, uint64_t after) {
  for (int n = 0; n < 64; ++n) {
    if (before == after) return n;
    before = before * 0x5851F42D4C957F2DULL + 0x14057B7EF767814FULL;
  }
  return -1;
}

TEST(UpdateHmap, StepIsExponentialPlusConstantAndLandsExactly) {
  level_world(0.0f);
  const int i = cell_index(10, 10);
  target_hmap[i] = 5.0f;
  updateHmap(0.1f);
  EXPECT_FLOAT_EQ(hmap[i], 0.2f);  // 5 * 0.02 + 0.1
  target_hmap[i] = -3.0f;
  updateHmap(0.1f);
  EXPECT_FLOAT_EQ(hmap[i], 0.2f - (3.2f * 0.02f + 0.1f));

  // Close enough to arrive within one step: exactly on target, not a rounding off.
  // (3.3 + (0.3 - 3.3) is not 0.3 in floats.)
  hmap[i] = 3.3f;
  target_hmap[i] = 0.3f;
  updateHmap(10.0f);
  EXPECT_EQ(hmap[i], 0.3f);
}

TEST(UpdateHmap, NearlyArrivedBlockStaysWhereItIs) {
  level_world(2.0f);
  const int i = cell_index(41, 7);  // block 40..43
  target_hmap[i] = 2.0005f;
  for (int n = 0; n < 50; ++n) updateHmap(0.05f);
  EXPECT_EQ(hmap[i], 2.0f);
  // Movement elsewhere in the block carries it along.
  target_hmap[cell_index(43, 7)] = 3.0f;
  updateHmap(0.05f);
  EXPECT_EQ(hmap[i], 2.0005f);
}

TEST(UpdateHmap, StillGroundChangesNothingAndDrawsNothing) {
  level_world(1.5f);
  uint64_t seed = game_rnd_seed;
  updateHmap(0.05f);
  EXPECT_EQ(game_rnd_seed, seed);
  for (int i = 0; i < HMAP_CELLS; ++i) ASSERT_EQ(hmap[i], 1.5f);
  for (int g = 0; g < LAND_SOUND_GROUPS; ++g) EXPECT_EQ(accum(g, 3), 0.0f);
}

TEST(UpdateHmap, GroupsAreTheOctantsAroundTheCamera) {
  level_world(0.0f);
  camera_at(100.2f, 60.7f);  // camera cell (100, 61)
  struct Case {
    int x, z, group;
  };
  // Offsets from block starts: (+20, +1) x dominates, both positive -> 0;
  // (-20, +1) -> 1; (+20, -3) -> 2; (-20, -3) -> 3; (+1, +30) z dominates -> 4;
  // (-4, +30) -> 5; (+1, -30) -> 6; (-4, -30) -> 7.
  const Case cases[] = {{121, 62, 0}, {81, 62, 1}, {121, 58, 2}, {81, 58, 3},
                        {101, 91, 4}, {97, 91, 5}, {101, 31, 6}, {97, 31, 7}};
  for (const Case& c : cases) {
    level_world(0.0f);
    camera_at(100.2f, 60.7f);
    int block = c.x & ~3;
    target_hmap[cell_index(c.x, c.z)] = 2.0f;
    hmap[cell_index(block, c.z)] = 0.5f;  // max height of the block before moving
    target_hmap[cell_index(block, c.z)] = 0.5f;
    uint64_t seed = game_rnd_seed;
    updateHmap(0.05f);
    for (int g = 0; g < LAND_SOUND_GROUPS; ++g) {
      SCOPED_TRACE(testing::Message() << "cell " << c.x << "," << c.z << " group " << g);
      if (g != c.group) {
        EXPECT_EQ(accum(g, 3), 0.0f);
        continue;
      }
      EXPECT_FLOAT_EQ(accum(g, 3), 2.0f);  // weight: largest distance in the block
      EXPECT_FLOAT_EQ(accum(g, 0), 2.0f * block);
      EXPECT_FLOAT_EQ(accum(g, 1), 2.0f * 0.5f);
      EXPECT_FLOAT_EQ(accum(g, 2), 2.0f * c.z);
    }
    // The group's sound is new (nothing plays here); its random start does
    // not come from the game's generator, whose state replays depend on.
    EXPECT_EQ(draws_between(seed, game_rnd_seed), 0);
  }
}

TEST(UpdateHmap, GroundAcrossTheMapEdgeIsHeardBeyondIt) {
  level_world(0.0f);
  camera_at(255.4f, 10.0f);
  target_hmap[cell_index(0, 10)] = 1.0f;
  updateHmap(0.05f);
  // Offset +1 from the camera cell 255: x dominates, positive -> group 0.
  EXPECT_FLOAT_EQ(accum(0, 0) / accum(0, 3), 256.0f);
  EXPECT_FLOAT_EQ(accum(0, 2) / accum(0, 3), 10.0f);
}

TEST(MorphHmap, WritesTheStepElsewhereAndLeavesHmapAlone) {
  level_world(0.0f);
  target_hmap[cell_index(3, 3)] = 5.0f;
  target_hmap[cell_index(9, 9)] = 0.0005f;  // moved even though its block is at rest
  std::vector<float> before(hmap, hmap + HMAP_CELLS);
  alignas(16) static float out[HMAP_CELLS];
  uint64_t seed = game_rnd_seed;
  morphHmap(0.1f, out);
  EXPECT_FLOAT_EQ(out[cell_index(3, 3)], 0.2f);
  EXPECT_EQ(out[cell_index(9, 9)], 0.0005f);
  EXPECT_EQ(out[cell_index(4, 3)], 0.0f);
  EXPECT_EQ(std::vector<float>(hmap, hmap + HMAP_CELLS), before);
  EXPECT_EQ(game_rnd_seed, seed);
  for (int g = 0; g < LAND_SOUND_GROUPS; ++g) EXPECT_EQ(accum(g, 3), 0.0f);
}

}  // namespace
