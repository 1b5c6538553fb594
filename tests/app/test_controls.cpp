#include <gtest/gtest.h>
#include "app/controls.h"
#include "app/input.h"
#include "core/settings.h"
#include "tests/app/app_test_env.h"

namespace {
class ControlsTest : public ::testing::Test {
protected:
  void SetUp() override {
    home = make_test_config_home();
    clear_input();
    init_controls();
  }
  void TearDown() override {
    clear_input();
    remove_folder(home);
  }
  std::string home;
};
}  // namespace

TEST_F(ControlsTest, DefaultsWithoutStoredSettings) {
  EXPECT_STREQ(get_button_key_name(B_LSPELL), "Left Mouse Button");
  EXPECT_STREQ(get_button_key_name(B_FORWARD), "W");
  EXPECT_STREQ(get_button_ui_name(B_SPELLS), "Select spells");
  EXPECT_EQ(get_button_ui_name(11), nullptr);
  EXPECT_EQ(get_button_ui_name(-1), nullptr);
  EXPECT_STREQ(get_button_key_name(11), "");
  EXPECT_FALSE(button_state(6));
  push_input_event(INPUT_KEY_DOWN, VK_SHIFT, 42, 0, 0, 0);
  EXPECT_TRUE(button_state(6));
  EXPECT_TRUE(button_down(6));
  push_input_event(INPUT_KEY_UP, VK_SHIFT, 42, 0, 0, 0);
  EXPECT_FALSE(button_state(6));
  EXPECT_TRUE(button_up(6));
  EXPECT_FALSE(button_down(11));
  EXPECT_FALSE(button_up(-3));
}

TEST_F(ControlsTest, NewBindingIsStoredAndSurvivesARestart) {
  set_button_key(B_MAP, 0x4D);
  char text[64] = {};
  ASSERT_TRUE(get_config_str("B_map", text, sizeof(text)));
  EXPECT_STREQ(text, "#77");
  init_controls();  // as at the next start
  push_input_event(INPUT_KEY_DOWN, 'M', 50, 0, 0, 0);
  EXPECT_TRUE(button_down(B_MAP));
  push_input_event(INPUT_KEY_UP, 'M', 50, 0, 0, 0);
  set_button_key(12, 'X');  // ignored
  EXPECT_FALSE(get_config_str("B_spells", text, sizeof(text)));
}

TEST_F(ControlsTest, TwoButtonsMayShareAKey) {
  set_button_key(B_UP, 'E');
  set_button_key(B_DOWN, 'E');
  push_input_event(INPUT_KEY_DOWN, 'E', 18, 0, 0, 0);
  EXPECT_TRUE(button_down(B_UP));
  EXPECT_TRUE(button_down(B_DOWN));
  push_input_event(INPUT_KEY_UP, 'E', 18, 0, 0, 0);
}

// "#1e9" and "#4294967297" once bound the left mouse button.
TEST_F(ControlsTest, MalformedOrOutOfRangeStoredBindingsFallBack) {
  set_config_str("B_forward", "87", -1);          // no "#": the default
  set_config_str("B_back", "#", -1);              // "#" alone: code 0
  set_config_str("B_left", "#65junk", -1);        // trailing text
  set_config_int("B_right", 70);                  // not a text: the default
  set_config_str("B_map", "#1e9", -1);
  set_config_str("B_up", "#4294967297", -1);
  set_config_str("B_down", "#256", -1);
  set_config_str("B_turbo", "#255", -1);
  init_controls();
  EXPECT_EQ(get_button_key(B_FORWARD), 'W');
  EXPECT_EQ(get_button_key(B_BACK), 0);
  EXPECT_EQ(get_button_key(B_LEFT), 'A');
  EXPECT_EQ(get_button_key(B_RIGHT), 'D');
  EXPECT_STREQ(get_button_key_name(B_MAP), "Tab");
  EXPECT_EQ(get_button_key(B_UP), VK_SPACE);
  EXPECT_EQ(get_button_key(B_DOWN), 'C');
  EXPECT_EQ(get_button_key(B_TURBO), 255);
  // Nothing out of range is bound or written.
  set_button_key(B_MAP, 256);
  set_button_key(B_MAP, -1);
  char text[64] = {};
  ASSERT_TRUE(get_config_str("B_map", text, sizeof(text)));
  EXPECT_STREQ(text, "#1e9");
  EXPECT_EQ(get_button_key(B_MAP), VK_TAB);
}
