#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "terrain/approx_exp.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"
#include "terrain/noise.h"
#include "tests/terrain/world_checksum.h"

using namespace HeightmapData;

namespace {

// Hills in both directions with a few sharp features; every cell painted the
// same so that recolouring shows.
void hilly_world(unsigned color, int surf) {
  reset();
  set_rnd_seed(77);
  reseed_noise();
  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; ++x) {
      int i = cell_index(x, z);
      hmap[i] = 12.0f * std::sin(x * 0.049f) * std::cos(z * 0.0245f) + 3.0f * std::sin(x * 0.31f + z * 0.17f) +
                0.7f * noise_rand[(x * 7 + z * 13) & 511];
      surface[i].color = color;
      surface[i].overlay = 0x80FFFFFFu;
      surface[i].surf = surf;
    }
  for (int i = 0; i < HMAP_CELLS; ++i) target_hmap[i] = hmap[i];
}

struct RunLog {
  std::string statistics;  // the second statistics line
  std::string all;
};

float last_progress = -1.0f;
void record_progress(const char* text, float done) {
  EXPECT_STREQ(text, "Calculating erosion");
  last_progress = done;
}

RunLog erode(unsigned count, ErosionParams& params, uint64_t seed = 1234) {
  game_rnd_seed = seed;
  testing::internal::CaptureStdout();
  genDropletErosion(count, params, &record_progress);
  RunLog log;
  log.all = testing::internal::GetCapturedStdout();
  std::istringstream lines(log.all);
  std::string line;
  while (std::getline(lines, line))
    if (line.find("average path length") != std::string::npos) log.statistics = line;
  return log;
}

// Red turning into green and blue, and green (squared, times alpha to the
// given power) turning back into red.
void add_two_reactions(ErosionParams& params, int alpha_exponent) {
  params.reactions.resize(2);
  params.reactions[0].delta = _mm_setr_ps(-0.2f, 0.1f, 0.1f, 0.0f);
  params.reactions[1].delta = _mm_setr_ps(0.05f, -0.1f, 0.0f, 0.0f);
  const int e0[4] = {1, 0, 0, 0}, e1[4] = {0, 2, 0, alpha_exponent};
  std::memcpy(params.reactions[0].exponent, e0, sizeof(e0));
  std::memcpy(params.reactions[1].exponent, e1, sizeof(e1));
}

int draws_between(uint64_t before, uint64_t after, int limit) {
  for (int n = 0; n <= limit; ++n) {
    if (before == after) return n;
    before = before * 0x5851F42D4C957F2DULL + 0x14057B7EF767814FULL;
  }
  return -1;
}


TEST(DropletErosion, FlatMapEndsEveryDropletAfterOneRandomDirection) {
  reset();
  for (int i = 0; i < HMAP_CELLS; ++i) surface[i].overlay = 0x44332211u;
  ErosionParams params;
  const uint64_t seed = 99;
  RunLog log = erode(500, params, seed);
  EXPECT_EQ(log.statistics, "  0.00 average path length, 0 long paths cut, 500 random directions picked");
  EXPECT_NE(log.all.find("computed     500 erosion droplets in"), std::string::npos);
  // Two draws for the start and one for the direction, per droplet.
  EXPECT_EQ(draws_between(seed, game_rnd_seed, 1500), 1500);
  int touched = 0;
  for (int i = 0; i < HMAP_CELLS; ++i) {
    ASSERT_EQ(hmap[i], 0.0f);
    touched += surface[i].overlay == 0;
  }
  // Each empty deposit goes to the four corners of the start cell.
  EXPECT_GT(touched, 1000);
  EXPECT_LE(touched, 2000);
}

TEST(DropletErosion, WithoutCapacityNothingErodesButDepositsStillRepaint) {
  hilly_world(0xFF663300u, ST_OPEN);
  for (int i = 0; i < HMAP_CELLS; i += 3) surface[i].surf = ST_GRASS;
  std::vector<float> heights(hmap, hmap + HMAP_CELLS);
  ErosionParams params;
  params.Kq = 0.0f;
  // Red turns into green as fast as it can: the step limit must stop red at
  // exactly zero, so green gains exactly what red had.
  params.reactions.resize(1);
  params.reactions[0].delta = _mm_setr_ps(-1000.0f, 1000.0f, 0.0f, 0.0f);
  const int exponents[4] = {1, 0, 0, 0};
  std::memcpy(params.reactions[0].exponent, exponents, sizeof(exponents));
  erode(3000, params);

  int touched = 0;
  for (int i = 0; i < HMAP_CELLS; ++i) {
    ASSERT_EQ(hmap[i], heights[i]);
    unsigned c = surface[i].color;
    if (c == 0xFF663300u) continue;
    ++touched;
    ASSERT_EQ(c, 0xFF009900u) << "cell " << i;
    ASSERT_EQ(surface[i].overlay, i % 3 == 0 ? 0x80FFFFFFu : 0u);
    ASSERT_EQ(surface[i].surf, i % 3 == 0 ? ST_GRASS : ST_OPEN);
  }
  EXPECT_GT(touched, 1000);
}

TEST(DropletErosion, ErosionMovesGroundAndTakesGrassAway) {
  hilly_world(0xFF808080u, ST_GRASS);
  ErosionParams params;
  params.Kq = 0.1f;
  params.Kd = 0.9f;
  RunLog log = erode(4000, params);
  int bare = 0, changed = 0;
  for (int i = 0; i < HMAP_CELLS; ++i) {
    bare += surface[i].surf == ST_OPEN;
    changed += hmap[i] != target_hmap[i];
  }
  EXPECT_GT(bare, 1000);
  EXPECT_GT(changed, 10000);
  // Paths are long on these hills.
  double average = std::stod(log.statistics);
  EXPECT_GT(average, 5.0);
}

TEST(DropletErosion, WithoutReactionTimeDepositsOnlyBlend) {
  ErosionParams with_time, without_time, none;
  for (ErosionParams* p : {&with_time, &without_time}) {
    p->reactions.resize(1);
    p->reactions[0].delta = _mm_setr_ps(0.0f, 0.0f, -0.5f, 0.5f);
    const int exponents[4] = {0, 0, 1, 0};
    std::memcpy(p->reactions[0].exponent, exponents, sizeof(exponents));
  }
  without_time.reactionTime = 0.0f;
  std::vector<unsigned> colors[3];
  ErosionParams* all[3] = {&with_time, &without_time, &none};
  for (int k = 0; k < 3; ++k) {
    hilly_world(0x80406080u, ST_OPEN);
    erode(800, *all[k]);
    for (const Surface& s : surface) colors[k].push_back(s.color);
  }
  EXPECT_EQ(colors[1], colors[2]);
  EXPECT_NE(colors[0], colors[2]);
}

TEST(DropletErosion, SameSeedGivesTheSameWorldAndStatistics) {
  ErosionParams params;
  add_two_reactions(params, 0);
  std::vector<float> h[3];
  std::vector<unsigned> c[3];
  std::string stats[3];
  const uint64_t seeds[3] = {5, 5, 6};
  for (int k = 0; k < 3; ++k) {
    hilly_world(0xFF806040u, ST_OPEN);
    stats[k] = erode(1000, params, seeds[k]).statistics;
    h[k].assign(hmap, hmap + HMAP_CELLS);
    for (const Surface& s : surface) c[k].push_back(s.color);
  }
  EXPECT_FALSE(stats[0].empty());
  EXPECT_EQ(stats[0], stats[1]);
  EXPECT_EQ(h[0], h[1]);
  EXPECT_EQ(c[0], c[1]);
  EXPECT_NE(h[0], h[2]);
}

TEST(DropletErosion, ReportsProgressEvery16384Droplets) {
  reset();
  ErosionParams params;
  last_progress = -1.0f;
  erode(16384, params);
  EXPECT_EQ(last_progress, -1.0f);
  erode(20000, params);
  EXPECT_FLOAT_EQ(last_progress, 16384.5f / 20000.0f);
}

// The erosion is a pure function of the world, the seed and the parameters:
// a faster implementation must build the very same worlds, across the
// wrapping edges, with and without colour reactions.
TEST(DropletErosion, GoldenChecksums) {
  ErosionParams steep, vivid, reacting;
  steep.Kq = 5.0f;
  // Deposits that repaint strongly: blends over the whole range, many
  // colours ending near a rounding boundary.
  vivid.Kq = 5.0f;
  vivid.depositBlend = 300.0f;
  reacting.Kq = 0.1f;
  reacting.Kd = 0.9f;
  add_two_reactions(reacting, 1);
  struct Case {
    ErosionParams* params;
    unsigned droplets;
    bool colorful;  // every cell a different colour, so that sediment changes colours
    uint64_t expected;
  };
  const Case cases[] = {{&steep, 3000, false, 0x3cd5ac0726c49ae7ULL},
                        {&vivid, 3000, true, 0xe4b40c8b6f158c5fULL},
                        {&reacting, 2000, false, 0x1b145f4023d6e7e0ULL}};
  for (const Case& c : cases) {
    hilly_world(0xFF806040u, ST_GRASS);
    if (c.colorful)
      for (int z = 0; z < HMAP_SIZE; ++z)
        for (int x = 0; x < HMAP_SIZE; ++x)
          surface[cell_index(x, z)].color =
              0x80000000u | unsigned((x * 37) & 255) << 16 | unsigned((z * 91) & 255) << 8 | unsigned((x * z) & 255);
    erode(c.droplets, *c.params, 4321);
    EXPECT_EQ(world_checksum(), c.expected) << "0x" << std::hex << world_checksum();
  }
}

// Deposits trust approximate weights only within this error: it must hold
// over the whole range, down to the smallest magnitudes.
TEST(ApproxExp, StaysWithinItsErrorOfTheLibrary) {
  float worst = 0.0f;
  for (int k = 0; k <= 200000; ++k) {
    float t = float(k) / 200000.0f;
    float x = APPROX_EXP_MIN_X * t * t * t;
    alignas(16) float e[4];
    const __m128 xs = _mm_setr_ps(x, x * 1e-6f, std::nextafter(x, 0.0f), x * 0.37f);
    _mm_store_ps(e, approx_exp_nonpositive(xs));
    alignas(16) float in[4];
    _mm_store_ps(in, xs);
    for (int l = 0; l < 4; ++l) worst = std::max(worst, std::fabs(e[l] - std::exp(in[l])));
  }
  EXPECT_LT(worst, APPROX_EXP_ERROR);
}

}  // namespace
