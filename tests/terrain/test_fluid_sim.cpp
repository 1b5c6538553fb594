#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "terrain/fluid_step.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"
#include "terrain/noise.h"
#include "tests/terrain/fluid_reference.h"
#include "tests/terrain/world_checksum.h"

using namespace HeightmapData;

namespace {

constexpr float STEP = 0.05f;

void flat_world(float height) {
  reset();
  set_rnd_seed(7);
  reseed_noise();
  for (int i = 0; i < HMAP_CELLS; ++i) hmap[i] = target_hmap[i] = height;
}

// The update widths this processor runs; each must give the same bits.
std::vector<bool> update_widths() {
  if (__builtin_cpu_supports("avx")) return {false, true};
  return {false};
}

struct UpdateWidth {
  explicit UpdateWidth(bool wide) : saved(fluid_step::wide_update) { fluid_step::wide_update = wide; }
  ~UpdateWidth() { fluid_step::wide_update = saved; }
  bool saved;
};

double total_water() {
  double sum = 0;
  for (int i = 0; i < HMAP_CELLS; ++i) sum += std::max(water_at(i).amount, 0.0f);
  return sum;
}

double total_lava() {
  double sum = 0;
  for (int i = 0; i < HMAP_CELLS; ++i) sum += std::max(-water_at(i).amount, 0.0f);
  return sum;
}

double total_ground() {
  double sum = 0;
  for (int i = 0; i < HMAP_CELLS; ++i) sum += hmap[i];
  return sum;
}

// A rough, busy world: hills and cliffs, water and lava patches side by side,
// random velocities and foam, so that every rule of the step gets exercised.
void chaotic_world(int seed) {
  reset();
  set_rnd_seed(seed);
  reseed_noise();
  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; ++x) {
      int i = cell_index(x, z);
      hmap[i] = target_hmap[i] = 3.0f * std::sin(x * 0.05f) * std::cos(z * 0.07f) + 0.5f * frnd() +
                                 ((x / 16 + z / 16) % 5 == 0 ? 2.0f : 0.0f);
      float kind = frnd();
      float depth = frnd() < 0.1f ? 0.002f * frnd() : 1.5f * frnd();
      Water& w = water_at(i);
      w.amount = kind < 0.45f ? depth : (kind < 0.75f ? -depth : 0.0f);
      w.vel_x = srnd() * 3.0f;
      w.vel_z = srnd() * 3.0f;
      w.foam = frnd();
      surface[i].color = 0xFF000000u | unsigned(irnd() & 0xFFFFFF);
      surface[i].overlay = unsigned(irnd());
    }
}

struct Snapshot {
  std::vector<float> h, t;
  std::vector<Water> w, old;
  std::vector<Surface> s;

  void take() {
    h.assign(hmap, hmap + HMAP_CELLS);
    t.assign(target_hmap, target_hmap + HMAP_CELLS);
    w.assign(&water[0][0], &water[0][0] + HMAP_CELLS);
    old.assign(&tmpw[0][0], &tmpw[0][0] + HMAP_CELLS);
    s.assign(surface, surface + HMAP_CELLS);
  }
  void restore() const {
    std::memcpy(hmap, h.data(), sizeof(hmap));
    std::memcpy(target_hmap, t.data(), sizeof(target_hmap));
    std::memcpy(water, w.data(), sizeof(water));
    std::memcpy(tmpw, old.data(), sizeof(tmpw));
    std::memcpy(surface, s.data(), sizeof(surface));
  }
};

// Index of the first cell whose record differs bit for bit, or -1.
int first_difference(const Snapshot& a, const Snapshot& b) {
  for (int i = 0; i < HMAP_CELLS; ++i)
    if (std::memcmp(&a.h[i], &b.h[i], 4) || std::memcmp(&a.t[i], &b.t[i], 4) ||
        std::memcmp(&a.w[i], &b.w[i], sizeof(Water)) || std::memcmp(&a.old[i], &b.old[i], sizeof(Water)) ||
        std::memcmp(&a.s[i], &b.s[i], sizeof(Surface)))
      return i;
  return -1;
}

TEST(SimWater, MatchesTheCellByCellRulesBitForBit) {
  struct Case {
    int seed;
    bool water_only;
    float speed_up;  // fast enough, back-traces reach cells several rows away
    bool edge_without_lava;  // the step's bands run at once only without lava on x = 0
  };
  for (Case c : {Case{3, false, 1.0f, false}, Case{11, false, 1.0f, false}, Case{5, true, 1.0f, false},
                 Case{9, false, 30.0f, false}, Case{13, false, 1.0f, true}}) {
    chaotic_world(c.seed);
    for (int i = 0; i < HMAP_CELLS; ++i)
      if (c.water_only || (c.edge_without_lava && (i & HMAP_MASK) == 0))
        water_at(i).amount = std::fabs(water_at(i).amount);
    for (int i = 0; i < HMAP_CELLS; ++i) {
      water_at(i).vel_x *= c.speed_up;
      water_at(i).vel_z *= c.speed_up;
    }
    Snapshot start, fast, plain;
    start.take();
    for (int n = 0; n < 8; ++n) reference_sim_water(STEP);
    plain.take();
    for (bool wide : update_widths()) {
      UpdateWidth width(wide);
      start.restore();
      for (int n = 0; n < 8; ++n) simWater(STEP);
      fast.take();
      int i = first_difference(fast, plain);
      EXPECT_EQ(i, -1) << "seed " << c.seed << (wide ? " wide" : "") << " first differs at x=" << (i & 255)
                       << " z=" << (i >> 8);
    }
  }
}

TEST(SimWater, StillLakeKeepsItsDepthUnlessShallow) {
  flat_world(1.0f);
  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; ++x) water_at(cell_index(x, z)).amount = x < 128 ? 2.0f : 0.3f;
  // Two flat lakes side by side would flow; separate them with walls.
  for (int z = 0; z < HMAP_SIZE; ++z) {
    for (int x : {0, 127, 128, 255}) {
      hmap[cell_index(x, z)] = 10.0f;
      water_at(cell_index(x, z)).amount = 0.0f;
    }
  }
  for (int n = 0; n < 20; ++n) simWater(STEP);
  EXPECT_EQ(water_at(cell_index(60, 70)).amount, 2.0f);
  EXPECT_EQ(water_at(cell_index(60, 70)).vel_x, 0.0f);
  // 3 % per second: 20 steps of 0.05 s multiply by (1 - 0.0015)^20.
  EXPECT_NEAR(water_at(cell_index(200, 70)).amount, 0.3f * std::pow(1.0f - 0.0015f, 20.0f), 1e-6f);
  // Whole seconds from here on: 3 % per step.
  for (int n = 0; n < 1000 && water_at(cell_index(200, 70)).amount >= 0.01f; ++n) simWater(1.0f);
  EXPECT_GT(water_at(cell_index(200, 70)).amount, 0.0097f);
  simWater(1.0f);
  EXPECT_EQ(water_at(cell_index(200, 70)).amount, 0.0f);
}

TEST(SimWater, ColumnOfWaterSpreadsAndNeverGoesNegative) {
  flat_world(0.0f);
  const int centre = cell_index(100, 100);
  water_at(centre).amount = 5.0f;
  simWater(STEP);
  simWater(STEP);
  for (int n : {cell_index(99, 100), cell_index(101, 100), cell_index(100, 99), cell_index(100, 101)})
    EXPECT_GT(water_at(n).amount, 0.0f);
  for (int step = 0; step < 100; ++step) {
    simWater(STEP);
    for (int i = 0; i < HMAP_CELLS; ++i) ASSERT_GE(water_at(i).amount, 0.0f) << "step " << step << " cell " << i;
  }
}

TEST(SimWater, RandomWaterAloneNeverTurnsNegative) {
  chaotic_world(5);
  for (int i = 0; i < HMAP_CELLS; ++i) water_at(i).amount = std::fabs(water_at(i).amount);
  for (int step = 0; step < 60; ++step) {
    simWater(STEP);
    for (int i = 0; i < HMAP_CELLS; ++i) ASSERT_GE(water_at(i).amount, 0.0f) << "step " << step << " cell " << i;
  }
}

TEST(SimWater, FluidCrossesEveryMapEdge) {
  struct Case {
    int sx, sz, tx, tz;
  };
  for (Case c : {Case{255, 40, 0, 40}, Case{0, 40, 255, 40}, Case{40, 255, 40, 0}, Case{40, 0, 40, 255}}) {
    for (float sign : {1.0f, -1.0f}) {
      flat_world(0.0f);
      // A ramp down towards the target makes the fluid go that way only.
      for (int z = 0; z < HMAP_SIZE; ++z)
        for (int x = 0; x < HMAP_SIZE; ++x) hmap[cell_index(x, z)] = 5.0f;
      hmap[cell_index(c.sx, c.sz)] = 1.0f;
      hmap[cell_index(c.tx, c.tz)] = 0.0f;
      water_at(cell_index(c.sx, c.sz)).amount = sign * 2.0f;
      for (int n = 0; n < 10; ++n) simWater(STEP);
      EXPECT_GT(sign * water_at(cell_index(c.tx, c.tz)).amount, 0.0f)
          << "from " << c.sx << "," << c.sz << " sign " << sign;
    }
  }
}

TEST(SimWater, ThinLavaHardensAtOnce) {
  flat_world(2.0f);
  const int i = cell_index(30, 30);
  water_at(i).amount = -0.003f;
  simWater(STEP);
  EXPECT_EQ(water_at(i).amount, 0.0f);
  EXPECT_FLOAT_EQ(hmap[i], 2.003f);
  EXPECT_FLOAT_EQ(target_hmap[i], 2.003f);
  // The neighbours took a little of the darker colour.
  EXPECT_NE(surface[cell_index(31, 30)].color, 0xFF808080u);
  EXPECT_EQ(surface[cell_index(33, 30)].color, 0xFF808080u);
}

TEST(SimWater, ThinLavaSticksToTheGround) {
  flat_world(0.0f);
  // Lava 0.04 deep (sticky depth below 0.05 whatever the roughness) on a
  // slope next to bare ground: it cools but never moves.
  for (int x = 0; x < 16; ++x) hmap[cell_index(x, 50)] = 1.0f - 0.05f * x;
  water_at(cell_index(5, 50)).amount = -0.04f;
  for (int n = 0; n < 10; ++n) {
    simWater(STEP);
    EXPECT_EQ(water_at(cell_index(5, 50)).vel_x, 0.0f);
    EXPECT_EQ(water_at(cell_index(6, 50)).amount, 0.0f);
    EXPECT_EQ(water_at(cell_index(4, 50)).amount, 0.0f);
  }
  // Thick lava on the same slope does flow.
  water_at(cell_index(5, 50)).amount = -1.0f;
  for (int n = 0; n < 10; ++n) simWater(STEP);
  EXPECT_LT(water_at(cell_index(6, 50)).amount, 0.0f);
}

TEST(SimWater, FaceAgainstACliffStaysClosedAndFoams) {
  flat_world(0.0f);
  for (int i = 0; i < HMAP_CELLS; ++i) hmap[i] = 10.0f;
  // One water cell in a pit: all four faces are cliffs.
  const int i = cell_index(80, 80);
  hmap[i] = 0.0f;
  water_at(i).amount = 1.0f;
  water_at(i).vel_x = 3.0f;
  simWater(STEP);
  EXPECT_EQ(water_at(i).vel_x, 0.0f);
  EXPECT_EQ(water_at(i).vel_z, 0.0f);
  EXPECT_EQ(water_at(i).amount, 1.0f);
  // The pit's two own faces splash (0.02); pressure against the walls and the
  // advected foam add to that.
  EXPECT_GE(water_at(i).foam, 0.02f);
  // The wall cell on the left has its own blocked faces too.
  const float wall_foam = water_at(cell_index(70, 70)).foam;
  EXPECT_FLOAT_EQ(wall_foam, 0.02f);
}

TEST(SimWater, DeepClosedLakeKeepsItsWater) {
  flat_world(0.0f);
  // A basin 100 x 100 with walls, its water piled up on one side.
  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; ++x) {
      bool inside = x >= 20 && x < 120 && z >= 20 && z < 120;
      int i = cell_index(x, z);
      hmap[i] = inside ? 0.2f * std::sin(x * 0.3f) * std::sin(z * 0.2f) : 20.0f;
      if (inside) water_at(i).amount = (x < 70 ? 3.0f : 1.5f) - hmap[i];
    }
  const double before = total_water();
  float shallowest = 1e9f;
  for (int n = 0; n < 1000; ++n) {
    simWater(STEP);
    if (n % 50 == 0)
      for (int z = 20; z < 120; ++z)
        for (int x = 20; x < 120; ++x) shallowest = std::min(shallowest, water_at(cell_index(x, z)).amount);
  }
  ASSERT_GT(shallowest, 0.5f) << "the scene must stay deep enough not to dry";
  EXPECT_NEAR(total_water(), before, before * 1e-5);
}

// Lava spreading over flat ground next to a lake: fluid of both kinds flows
// into cells of the other kind. Every unit of lava ends as lava or as rock.
TEST(SimWater, LavaMeetingWaterEndsAsLavaOrRock) {
  flat_world(0.0f);
  for (int z = 60; z < 90; ++z)
    for (int x = 60; x < 120; ++x) water_at(cell_index(x, z)).amount = x < 90 ? -1.0f : 1.0f;
  const double lava_before = total_lava(), ground_before = total_ground();
  for (int n = 0; n < 120; ++n) simWater(STEP);
  const double rock = total_ground() - ground_before;
  EXPECT_GT(rock, 1.0);
  EXPECT_NEAR(total_lava() + rock, lava_before, lava_before * 1e-4);
}

// Lava pouring down a slope into a lake deep enough never to dry: the water
// lost is exactly the lava that met it, and all lava ends as lava or rock.
TEST(SimWater, LavaPouredIntoALakeConserves) {
  flat_world(0.0f);
  for (int z = 0; z < HMAP_SIZE; ++z)
    for (int x = 0; x < HMAP_SIZE; ++x) {
      int i = cell_index(x, z);
      if (x < 100) {
        hmap[i] = -5.0f;
        water_at(i).amount = 5.0f;
      } else {
        hmap[i] = 0.3f * float(x - 100);
      }
    }
  const double water_before = total_water(), ground_before = total_ground();
  double lava_in = 0;
  for (int n = 0; n < 200; ++n) {
    if (n < 100)
      for (int z = 40; z < 44; ++z) {
        addLavaAt(cell_index(103, z), 0.1f);
        lava_in += 0.1f;
      }
    simWater(STEP);
  }
  const double rock = total_ground() - ground_before;
  const double water_lost = water_before - total_water();
  EXPECT_GT(water_lost, 0.5) << "the lava must have reached the lake";
  EXPECT_LE(water_lost, rock + 1e-3);
  EXPECT_NEAR(total_lava() + rock, lava_in, lava_in * 1e-4);
}

// Water and lava running over dry hills, with changes between steps: a step
// that leaves settled tiles alone must give the very same world as one that
// computes every tile.
TEST(SimWater, LeavingSettledTilesAloneChangesNothing) {
  struct LeaveSettled {
    explicit LeaveSettled(bool leave) { fluid_step::leave_settled_tiles = leave; }
    ~LeaveSettled() { fluid_step::leave_settled_tiles = true; }
  };
  Snapshot result[2];
  int most_left_alone = 0;
  for (int leave : {0, 1}) {
    LeaveSettled mode(leave);
    flat_world(0.0f);
    for (int z = 0; z < HMAP_SIZE; ++z)
      for (int x = 0; x < HMAP_SIZE; ++x)
        hmap[cell_index(x, z)] = target_hmap[cell_index(x, z)] = 2.0f + 1.5f * std::sin(x * 0.1f) * std::cos(z * 0.13f);
    for (int n = 0; n < 260; ++n) {
      if (n < 150) {
        addWaterAt(cell_index(40, 40), 0.2f);
        addLavaAt(cell_index(200, 190), 0.05f);
      }
      if (n == 200) addWaterAt(cell_index(120, 120), 1.0f);  // onto settled ground
      if (n == 210) hmap[cell_index(100, 30)] += 0.5f;       // settled ground moves
      simWater(n == 230 ? 0.1f : STEP);
      if (leave) most_left_alone = std::max(most_left_alone, fluid_step::tiles_left_alone());
    }
    result[leave].take();
  }
  const int i = first_difference(result[0], result[1]);
  EXPECT_EQ(i, -1) << "first differs at x=" << (i & 255) << " z=" << (i >> 8);
  EXPECT_GT(most_left_alone, 500) << "the scene must settle for the test to mean anything";
}

// Today's steps, pinned: a faster step must leave the very same world.
TEST(SimWater, GoldenChecksums) {
  const uint64_t expected[] = {0xee8cce2cd589f874ULL, 0x388256a662dccb86ULL};
  for (bool wide : update_widths()) {
    UpdateWidth width(wide);
    for (int k = 0; k < 2; ++k) {
      chaotic_world(k == 0 ? 3 : 5);
      if (k == 1)
        for (int i = 0; i < HMAP_CELLS; ++i) water_at(i).amount = std::fabs(water_at(i).amount);
      for (int n = 0; n < 8; ++n) simWater(STEP);
      EXPECT_EQ(fluid_world_checksum(), expected[k]) << (wide ? "wide: " : "") << "0x" << std::hex
                                                     << fluid_world_checksum();
    }
  }
}

}  // namespace
