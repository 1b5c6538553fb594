#include <gtest/gtest.h>
#include <cmath>
#include <string>
#include "core/debug.h"
#include "render/sky.h"
#include "script/script_machines.h"
#include "tests/render/render_test_env.h"
#include "tests/render/scene_test_data.h"

namespace {
// Entry i of the answer: (angle, i, 0.5 * i).
const char* ANGLE_SKY =
    "function get_sky_colors(angle) {\n"
    "  local r = [];\n"
    "  for (local i = 0; i < 10; i++) r.append([angle, i, 0.5 * i]);\n"
    "  return r;\n"
    "}\n";

const __m128 UP = _mm_setr_ps(0, 1, 0, 0);
const __m128 HORIZON = _mm_setr_ps(1, 0, 0, 0);

void expect_defaults(const SkyPalette& p) {
  for (int i = 0; i < SKY_SCRIPT_ENTRIES; i++)
    for (int c = 0; c < 4; c++) EXPECT_EQ(p.entry[i][c], default_sky_palette.entry[i][c]) << i << "," << c;
}

class SkyTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { copy_scene_data_files(); }
  void TearDown() override {
    close_sky();
    set_error_message(nullptr);
  }
  void startWith(const std::string& script, int64_t time = 1000) {
    close_sky();
    write_test_file("sky.nut", script);
    set_file_time("sky.nut", time);
    set_error_message(nullptr);
    init_sky();
  }
  float angle() { return get_current_sky_palette().entry[0][0]; }
};
}  // namespace

TEST_F(SkyTest, ScriptGetsTheSunAngleFromTheZenith) {
  startWith(ANGLE_SKY);
  set_sun_dir(UP, true);
  EXPECT_NEAR(angle(), 0.f, 1e-3f);
  set_sun_dir(HORIZON, true);
  EXPECT_NEAR(angle(), 90.f, 1e-3f);
  set_sun_dir(_mm_setr_ps(0, -3, 0, 0), true);
  EXPECT_NEAR(angle(), 180.f, 1e-3f);
  // No direction at all keeps the sun overhead rather than undefined.
  set_sun_dir(_mm_setzero_ps(), true);
  EXPECT_NEAR(angle(), 0.f, 1e-3f);
  EXPECT_EQ(get_current_sky_palette().entry[9][1], 9.f);
  EXPECT_EQ(get_current_sky_palette().entry[9][3], 0.f);
  EXPECT_FALSE(has_error_message());
}

TEST_F(SkyTest, ShortWrongOrThrowingAnswersKeepTheDefaults) {
  const char* scripts[] = {
      "function get_sky_colors(a) { return [[1, 2, 3], [4, 5, 6]]; }",
      "function get_sky_colors(a) { throw \"no sky today\"; }",
      "function get_sky_colors(a) { local r = []; for (local i = 0; i < 10; i++) r.append([1, 2]); return r; }",
      "function get_sky_colors(a) { local r = []; for (local i = 0; i < 10; i++) r.append([1, \"x\", 2]); "
      "return r; }",
      "function get_sky_colors(a) { return 7; }",
  };
  for (const char* script : scripts) {
    startWith(script);
    expect_defaults(get_current_sky_palette());
    expect_defaults(get_frame_sky_palette());
    EXPECT_EQ(std::string(get_error_message()).rfind("Error in sky script:\n", 0), 0u) << script;
  }
  // An empty script, or one without the function, once gave the defaults
  // without a word: the player saw a black sky over red land.
  for (const char* script : {"", "local nothing = 0;"}) {
    startWith(script);
    expect_defaults(get_current_sky_palette());
    EXPECT_EQ(std::string(get_error_message()),
              "Error in sky script:\nsky.nut defines no function get_sky_colors; the built-in sky is used")
        << script;
  }
}

TEST_F(SkyTest, FramePaletteBlendsByTheUpdateFractionAndDerivesWaterLight) {
  startWith(ANGLE_SKY);
  set_sun_dir(UP, true);
  update_sky();
  set_sun_dir(HORIZON, false);
  // Not immediate: the frame still shows the old sky until blended.
  EXPECT_NEAR(get_frame_sky_palette().entry[0][0], 0.f, 1e-3f);
  blend_sky(0.5f);
  const SkyPalette& f = get_frame_sky_palette();
  EXPECT_NEAR(f.entry[0][0], 45.f, 1e-3f);
  float sun[4];
  _mm_storeu_ps(sun, get_frame_sun_dir());
  EXPECT_NEAR(sun[0], sqrtf(0.5f), 1e-5f);
  EXPECT_NEAR(sun[1], sqrtf(0.5f), 1e-5f);
  // Entry 10: e0 + e1 * exp(-e2 / 0.2); entry 11: e0 + e1 * exp(-e2).
  EXPECT_NEAR(f.entry[10][1], 0.f + 1.f * expf(-2.f / 0.2f), 1e-6f);
  EXPECT_NEAR(f.entry[11][1], 0.f + 1.f * expf(-2.f), 1e-6f);
  EXPECT_NEAR(f.entry[11][2], 0.f + 0.5f * expf(-1.f), 1e-6f);
  blend_sky(1.f);
  EXPECT_NEAR(get_frame_sky_palette().entry[0][0], 90.f, 1e-3f);
  // The next update starts from there.
  update_sky();
  blend_sky(0.f);
  EXPECT_NEAR(get_frame_sky_palette().entry[0][0], 90.f, 1e-3f);
}

TEST_F(SkyTest, ChangedScriptIsReloadedAndABrokenOneKeepsTheOldSky) {
  startWith(ANGLE_SKY);
  set_sun_dir(HORIZON, true);
  write_test_file("sky.nut",
                  "function get_sky_colors(angle) { local r = []; for (local i = 0; i < 10; i++) "
                  "r.append([angle * 2, i, 0]); return r; }");
  set_file_time("sky.nut", 2000);
  EXPECT_TRUE(reload_script_machine(SCRIPT_MACHINE_SKY));
  EXPECT_NEAR(angle(), 180.f, 1e-3f);
  EXPECT_NEAR(get_frame_sky_palette().entry[0][0], 180.f, 1e-3f);
  write_test_file("sky.nut", "function get_sky_colors(angle) { return [ }");
  set_file_time("sky.nut", 3000);
  EXPECT_FALSE(reload_script_machine(SCRIPT_MACHINE_SKY));
  EXPECT_EQ(std::string(get_error_message()).rfind("Error in sky script:\n", 0), 0u);
  set_sun_dir(HORIZON, true);
  EXPECT_NEAR(angle(), 180.f, 1e-3f);
}

TEST_F(SkyTest, GameSkyGoesFromNoonBlueToDuskGlow) {
  startWith(std::string(), 0);  // replaced below by the game's own script
  close_sky();
  set_error_message(nullptr);
  copy_scene_data_files();
  init_sky();
  set_sun_dir(_mm_setr_ps(0.2f, 1.f, 0.1f, 0), true);
  SkyPalette noon = get_current_sky_palette();
  set_sun_dir(_mm_setr_ps(1.f, 0.03f, 0.f, 0), true);
  SkyPalette dusk = get_current_sky_palette();
  EXPECT_FALSE(has_error_message());
  // Zenith blue at noon, horizon warmer than it is blue at dusk, and less
  // sunlight then.
  EXPECT_GT(noon.entry[3][2], noon.entry[3][0] + 0.3f);
  EXPECT_GT(dusk.entry[4][0], dusk.entry[4][2] + 0.3f);
  EXPECT_LT(dusk.entry[1][1], noon.entry[1][1] * 0.7f);
}
