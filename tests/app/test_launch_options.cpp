#include <gtest/gtest.h>
#include "app/app_globals.h"
#include "app/launch_options.h"
#include "core/settings.h"
#include "tests/app/app_test_env.h"

namespace {
class LaunchOptionsTest : public ::testing::Test {
protected:
  void SetUp() override {
    home = make_test_config_home();
    gfx_quality = 1;
    land_shadow_quality = 2;
    use_obj_shadows = true;
  }
  void TearDown() override {
    remove_folder(home);
    gfx_quality = 1;
  }
  LaunchOptions launch(std::vector<const char*> args) {
    LaunchOptions opt;
    read_launch_settings(&opt);
    args.insert(args.begin(), "ember_hollows");
    apply_command_line(&opt, int(args.size()), args.data());
    return opt;
  }
  std::string home;
};
}  // namespace

TEST_F(LaunchOptionsTest, NothingGivenMeansMaximisedWindowWithDefaults) {
  LaunchOptions opt = launch({});
  EXPECT_FALSE(opt.startFullscreen);
  EXPECT_EQ(opt.width, 0);
  EXPECT_EQ(opt.height, 0);
  EXPECT_TRUE(app_use_vsync);
  EXPECT_FALSE(use_ppaa);
  EXPECT_EQ(gfx_quality, 1);
  EXPECT_EQ(land_shadow_quality, 2);
}

TEST_F(LaunchOptionsTest, LaterArgumentsWinAndUnknownOnesAreIgnored) {
  LaunchOptions opt = launch({"-360", "--bogus", "-720", "-fullscr", "-win", "-aa", "-novs", "-FULLSCR"});
  ASSERT_EQ(opt.unknownCount, 2);
  EXPECT_STREQ(opt.unknown[0], "--bogus");
  EXPECT_STREQ(opt.unknown[1], "-FULLSCR");
  EXPECT_EQ(opt.width, 1280);
  EXPECT_EQ(opt.height, 720);
  EXPECT_FALSE(opt.startFullscreen);
  EXPECT_TRUE(use_ppaa);
  EXPECT_FALSE(app_use_vsync);
  opt = launch({"-1024", "-noaa", "-vs", "-gfx-low"});
  EXPECT_EQ(opt.height, 1024);
  EXPECT_FALSE(use_ppaa);
  EXPECT_TRUE(app_use_vsync);
  EXPECT_EQ(gfx_quality, 0);
}

TEST_F(LaunchOptionsTest, QualityTextMatchesWithoutCaseAndTheCommandLineOverridesIt) {
  set_config_str("gfx_quality", "LOW", -1);
  launch({});
  EXPECT_EQ(gfx_quality, 0);
  launch({"-gfx-high"});
  EXPECT_EQ(gfx_quality, 1);
  gfx_quality = 1;
  set_config_str("gfx_quality", "medium", -1);
  launch({});
  EXPECT_EQ(gfx_quality, 1);
}

TEST_F(LaunchOptionsTest, FlagBitsSetModeSyncAntiAliasingAndShadows) {
  set_config_int("flags", 5);
  set_config_int("land_shadows", 1);
  LaunchOptions opt = launch({});
  EXPECT_TRUE(opt.startFullscreen);
  EXPECT_TRUE(app_use_vsync);
  EXPECT_FALSE(use_ppaa);
  EXPECT_FALSE(use_obj_shadows);
  EXPECT_EQ(land_shadow_quality, 1);
  set_config_int("flags", 10);
  opt = launch({});
  EXPECT_FALSE(opt.startFullscreen);
  EXPECT_TRUE(use_ppaa);
  EXPECT_FALSE(app_use_vsync);
  EXPECT_TRUE(use_obj_shadows);
  // Out of range: the value in force stays, so Options can't write -2 from it.
  set_config_int("land_shadows", -3);
  launch({});
  EXPECT_EQ(land_shadow_quality, 1);
}

TEST_F(LaunchOptionsTest, AutomationOptionsTakeTheirValues) {
  LaunchOptions opt = launch({"-quit-after", "40", "-seed", "12345678901"});
  EXPECT_EQ(opt.quitAfterUpdates, 40);
  EXPECT_TRUE(opt.fixedSeed);
  EXPECT_EQ(opt.seed, 12345678901ull);
  opt = launch({"-seed"});  // no value: ignored
  EXPECT_FALSE(opt.fixedSeed);
}

TEST_F(LaunchOptionsTest, ResizeAtTakesAnUpdateAndAWholeSize) {
  LaunchOptions opt;
  const char* good[] = {"ember_hollows", "-resize-at", "12:800x450"};
  ASSERT_TRUE(apply_command_line(&opt, 3, good));
  EXPECT_EQ(opt.resizeAt, 12);
  EXPECT_EQ(opt.resizeWidth, 800);
  EXPECT_EQ(opt.resizeHeight, 450);
  for (const char* bad : {"12:800", "12:800x", "0:800x450", "12:0x450", "12:800x450x", "-1:800x450", "12:+8x4",
                          "12:800x99999", ""}) {
    LaunchOptions refused;
    const char* args[] = {"ember_hollows", "-resize-at", bad};
    EXPECT_FALSE(apply_command_line(&refused, 3, args)) << bad;
    EXPECT_NE(std::string(refused.error.c_str()).find("-resize-at needs"), std::string::npos) << bad;
  }
}

TEST(LaunchRequest, HelpOrVersionAnywhereButNotAsAnOptionsValue) {
  auto request = [](std::vector<const char*> args) {
    args.insert(args.begin(), "ember_hollows");
    return find_launch_request(int(args.size()), args.data());
  };
  EXPECT_EQ(request({}), LAUNCH_PLAY);
  EXPECT_EQ(request({"-720", "--help"}), LAUNCH_HELP);
  EXPECT_EQ(request({"-h"}), LAUNCH_HELP);
  EXPECT_EQ(request({"--version", "-h"}), LAUNCH_VERSION);
  EXPECT_EQ(request({"-record", "--help"}), LAUNCH_PLAY);
  EXPECT_EQ(request({"-seed", "-h", "--version"}), LAUNCH_VERSION);
  EXPECT_EQ(request({"--HELP", "-help"}), LAUNCH_PLAY);
}
