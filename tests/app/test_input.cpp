#include <gtest/gtest.h>
#include <string>
#include "app/input.h"
#include "render/device.h"

namespace {
class InputTest : public ::testing::Test {
protected:
  void SetUp() override {
    d3d_wd = 800;
    d3d_ht = 600;
    clear_input();
  }
  void TearDown() override { clear_input(); }
  std::vector<InputEvent> drain() {
    std::vector<InputEvent> out;
    InputEvent ev;
    while (getEvent(&ev)) out.push_back(ev);
    return out;
  }
};
}  // namespace

TEST_F(InputTest, HeldKeyGivesOneDownEdgeAndQueuesItsRepeats) {
  push_input_event(INPUT_KEY_DOWN, 'W', 17, 0, 0, 0);
  push_input_event(INPUT_KEY_DOWN, 'W', 17, INPUT_REPEAT, 0, 0);
  EXPECT_TRUE(keyDown('W'));
  EXPECT_TRUE(getKeyState('W'));
  clear_input();  // next update: the key is still held and repeating
  push_input_event(INPUT_KEY_DOWN, 'W', 17, INPUT_REPEAT, 0, 0);
  EXPECT_FALSE(keyDown('W'));
  auto evs = drain();
  ASSERT_EQ(evs.size(), 1u);
  EXPECT_EQ(evs[0].flags & INPUT_REPEAT, INPUT_REPEAT);
  EXPECT_EQ(getKey(), 'W');
  push_input_event(INPUT_KEY_UP, 'W', 17, 0, 0, 0);
  EXPECT_FALSE(getKeyState('W'));
}

TEST_F(InputTest, PressAndReleaseBetweenUpdatesGiveBothEdges) {
  push_input_event(INPUT_KEY_DOWN, 'Q', 16, 0, 0, 0);
  push_input_event(INPUT_KEY_UP, 'Q', 16, 0, 0, 0);
  EXPECT_TRUE(keyDown('Q'));
  EXPECT_TRUE(keyUp('Q'));
  EXPECT_FALSE(getKeyState('Q'));
  clear_input();
  EXPECT_FALSE(keyDown('Q'));
  EXPECT_FALSE(keyUp('Q'));
  EXPECT_EQ(getKey(), 0);
}

TEST_F(InputTest, DoubleClickQueuesTwoDownsTheSecondFlagged) {
  push_input_event(INPUT_BUTTON_DOWN, VK_LBUTTON, 0, 0, 10, 20);
  push_input_event(INPUT_BUTTON_UP, VK_LBUTTON, 0, 0, 10, 20);
  push_input_event(INPUT_BUTTON_DOWN, VK_LBUTTON, 0, INPUT_REPEAT, 10, 20);
  EXPECT_TRUE(keyDown(VK_LBUTTON));
  EXPECT_EQ(getKey(), VK_LBUTTON);
  EXPECT_EQ(getChar(), 0);
  auto evs = drain();
  ASSERT_EQ(evs.size(), 3u);
  EXPECT_EQ(evs[0].type, INPUT_BUTTON_DOWN);
  EXPECT_EQ(evs[0].flags & INPUT_REPEAT, 0);
  EXPECT_EQ(evs[2].type, INPUT_BUTTON_DOWN);
  EXPECT_EQ(evs[2].flags & INPUT_REPEAT, INPUT_REPEAT);
  // The button held while the second down was queued.
  EXPECT_EQ(evs[2].flags & INPUT_LBUTTON, INPUT_LBUTTON);
  push_input_event(INPUT_BUTTON_UP, VK_LBUTTON, 0, 0, 10, 20);
}

TEST_F(InputTest, WheelCountsWholeNotchesUntilTheNextClear) {
  push_wheel_event(-240, 5, 5);
  EXPECT_EQ(getMouseWheel(), -2);
  push_wheel_event(-119, 5, 5);
  EXPECT_EQ(getMouseWheel(), -2);
  auto evs = drain();
  ASSERT_EQ(evs.size(), 2u);
  EXPECT_EQ(evs[0].wheel, -2);
  EXPECT_EQ(evs[0].key, 0);
  EXPECT_EQ(evs[1].wheel, 0);
  EXPECT_EQ(getMouseWheel(), -2);  // reading the queue does not clear it
  clear_input();
  EXPECT_EQ(getMouseWheel(), 0);
}

TEST_F(InputTest, MousePositionIsClampedToTheBackBufferAndKept) {
  push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, -5, 20000);
  float x, y;
  getMousePos(&x, &y);
  EXPECT_EQ(x, 0.f);
  EXPECT_EQ(y, 599.f);
  clear_input();
  getMousePos(&x, &y);
  EXPECT_EQ(y, 599.f);
  // Key events carry the stored position, not their own.
  push_input_event(INPUT_KEY_DOWN, 'A', 30, 0, 300, 300);
  auto evs = drain();
  EXPECT_EQ(evs[0].x, 0.f);
  EXPECT_EQ(evs[0].y, 599.f);
  push_input_event(INPUT_KEY_UP, 'A', 30, 0, 0, 0);
}

TEST_F(InputTest, ModifierFlagsFollowTheKeysHeld) {
  push_input_event(INPUT_KEY_DOWN, VK_SHIFT, 42, 0, 0, 0);
  push_input_event(INPUT_KEY_DOWN, VK_CONTROL, 29, 0, 0, 0);
  push_input_event(INPUT_KEY_DOWN, 'Z', 44, 0, 0, 0);
  push_input_event(INPUT_KEY_UP, VK_SHIFT, 42, 0, 0, 0);
  push_input_event(INPUT_KEY_UP, VK_CONTROL, 29, 0, 0, 0);
  push_input_event(INPUT_KEY_UP, 'Z', 44, 0, 0, 0);
  auto evs = drain();
  ASSERT_EQ(evs.size(), 6u);
  EXPECT_EQ(evs[2].flags & (INPUT_SHIFT | INPUT_CTRL | INPUT_ALT), INPUT_SHIFT | INPUT_CTRL);
  EXPECT_EQ(evs[5].flags & (INPUT_SHIFT | INPUT_CTRL), 0);
}

TEST_F(InputTest, TypedCharactersAttachToTheirKeyDownAndItsKeyUp) {
  push_input_event(INPUT_KEY_DOWN, 'A', 30, 0, 0, 0);
  set_last_key_chars('a');
  EXPECT_EQ(getChar(), 'a');
  push_input_event(INPUT_KEY_UP, 'A', 30, 0, 0, 0);
  auto evs = drain();
  EXPECT_EQ(evs[0].ch, 'a');
  EXPECT_EQ(evs[1].ch, 'a');
  // A character after the queue was read changes nothing.
  set_last_key_chars('x');
  EXPECT_EQ(getChar(), 'a');
}

TEST(KeyNames, NamesByTableCharacterOrHexCode) {
  EXPECT_STREQ(getKeyName(0x0A), "#0A");
  EXPECT_STREQ(getKeyName(0xFF), "#FF");
  EXPECT_STREQ(getKeyName(0x41), "A");
  EXPECT_STREQ(getKeyName(0x35), "5");
  EXPECT_STREQ(getKeyName(300), "?");
  EXPECT_STREQ(getKeyName(-1), "?");
  EXPECT_STREQ(getKeyName(0x01), "Left Mouse Button");
  EXPECT_STREQ(getKeyName(0x69), "NumPad 9");
  EXPECT_STREQ(getKeyName(0x7B), "F12");
  EXPECT_STREQ(getKeyName(0x6C), "#6C");
  EXPECT_STREQ(getKeyName(0xDE), "Apostrophe");
}
