#include "terrain/game_random.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t MUL = 0x5851F42D4C957F2DULL;
constexpr uint64_t INC = 0x14057B7EF767814FULL;

// The state that the next draw turns into `next`.
uint64_t state_before(uint64_t next) {
  uint64_t inv = MUL;  // Newton's iteration for the inverse of an odd number mod 2^64
  for (int i = 0; i < 6; ++i) inv *= 2 - MUL * inv;
  return (next - INC) * inv;
}

TEST(GameRandom, EveryDrawAdvancesTheStateOnceAndReadsTheHighBits) {
  game_rnd_seed = 0;
  EXPECT_EQ(hmrnd(), 0x7E);
  EXPECT_EQ(game_rnd_seed, INC);
  uint64_t next = INC * MUL + INC;
  EXPECT_EQ(irnd(), int((next >> 32) & 0x7FFFFFFF));
  EXPECT_EQ(game_rnd_seed, next);

  game_rnd_seed = 0;
  EXPECT_FLOAT_EQ(frnd(), float(0x14057B7Eu / 4294967296.0));
  game_rnd_seed = 0;
  EXPECT_FLOAT_EQ(hmfrnd(), float(0x14057B7Eu / 4294967296.0) * 256.0f);
  game_rnd_seed = 0;
  EXPECT_FLOAT_EQ(srnd(), float(0x14057B7Eu / 4294967296.0) * 2.0f - 1.0f);
  game_rnd_seed = 0;
  EXPECT_FLOAT_EQ(hmsrnd(), (float(0x14057B7Eu / 4294967296.0) * 2.0f - 1.0f) * 128.0f);
  game_rnd_seed = 0;
  EXPECT_FLOAT_EQ(rndf(10.0f, 20.0f), 10.0f + float(0x14057B7Eu / 4294967296.0) * 10.0f);
}

TEST(GameRandom, SeedIsSignExtendedAndRepeatable) {
  set_rnd_seed(-1);
  EXPECT_EQ(game_rnd_seed, 0xFFFFFFFFFFFFFFFFULL);
  set_rnd_seed(5);
  EXPECT_EQ(game_rnd_seed, 5u);
  float a[3] = {frnd(), frnd(), frnd()};
  set_rnd_seed(5);
  for (float v : a) EXPECT_EQ(frnd(), v);
  EXPECT_NE(a[0], a[1]);
}

TEST(GameRandom, UnitDrawsStayBelowOneEvenForTheTopBits) {
  game_rnd_seed = state_before(0xFFFFFFFF00000000ULL);
  float u = frnd();
  EXPECT_LT(u, 1.0f);
  EXPECT_GT(u, 0.9999f);
  game_rnd_seed = state_before(0xFFFFFFFF00000000ULL);
  EXPECT_LT(hmfrnd(), 256.0f);
  game_rnd_seed = state_before(0xFFFFFFFF00000000ULL);
  EXPECT_LT(srnd(), 1.0f);
  game_rnd_seed = state_before(0xFFFFFFFF00000000ULL);
  EXPECT_EQ(hmrnd(), 255);
  game_rnd_seed = state_before(0x0000000000000000ULL);
  EXPECT_EQ(frnd(), 0.0f);
}

TEST(GameRandom, RandomizeTakesTheClock) {
  game_rnd_seed = 0;
  randomize_rnd_seed();
  uint64_t first = game_rnd_seed;
  EXPECT_NE(first, 0u);
  randomize_rnd_seed();
  EXPECT_GE(game_rnd_seed, first);
}

TEST(GameRandom, WrapReducesIntoTheHalfOpenRange) {
  EXPECT_EQ(wrap(200.0f), -56.0f);
  EXPECT_EQ(wrap(-128.0f), 128.0f);
  EXPECT_EQ(wrap(128.0f), 128.0f);
  EXPECT_EQ(wrap(-129.0f), 127.0f);
  EXPECT_EQ(wrap(256.0f + 3.5f), 3.5f);
  EXPECT_EQ(wrap(-600.0f), -88.0f);
  EXPECT_EQ(wrap(0.0f), 0.0f);
}

}  // namespace
