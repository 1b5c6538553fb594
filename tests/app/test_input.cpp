#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>
#include "app/input.h"
#include "app/input_record.h"
#include "core/debug.h"
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

// A wheel delta near the integer limit, many times over, once overflowed the
// sum; positions that are no number froze the camera.
TEST_F(InputTest, ExtremeWheelDeltasSaturateAndPositionsThatAreNoNumberKeepTheLastOne) {
  for (int i = 0; i < 200; i++) push_wheel_event(2147483647, 5, 5);
  EXPECT_EQ(getMouseWheel(), 2147483647);
  clear_input();
  for (int i = 0; i < 200; i++) push_wheel_event(-2147483647 - 1, 5, 5);
  EXPECT_EQ(getMouseWheel(), -2147483647 - 1);
  clear_input();
  push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, 100, 200);
  push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, NAN, INFINITY);
  push_wheel_event(120, -NAN, 7);
  float x, y;
  getMousePos(&x, &y);
  EXPECT_EQ(x, 100.f);
  EXPECT_EQ(y, 200.f);
  auto evs = drain();
  ASSERT_EQ(evs.size(), 3u);
  EXPECT_EQ(evs[1].x, 100.f);
  EXPECT_EQ(evs[1].y, 200.f);
  EXPECT_EQ(evs[2].x, 100.f);
  EXPECT_EQ(evs[2].y, 7.f);
}

TEST_F(InputTest, ManyEventsInOneUpdateKeepTheirOrder) {
  const int n = 100000;
  int notches = 0;
  for (int i = 0; i < n; i++) {
    if (i % 5 == 0) {
      push_wheel_event(120 * (i % 3), 1, 1);
      notches += i % 3;
    } else {
      push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, float(i % 800), 3);
    }
  }
  EXPECT_EQ(count_queued_input_events(), n);
  EXPECT_EQ(getMouseWheel(), notches);
  auto evs = drain();
  ASSERT_EQ(evs.size(), size_t(n));
  for (int i = 0; i < n; i++) {
    if (i % 5 == 0) ASSERT_EQ(evs[i].wheel, i % 3) << i;
    else ASSERT_EQ(evs[i].x, float(i % 800)) << i;
  }
  EXPECT_EQ(count_queued_input_events(), 0);
  push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, 9, 9);  // the queue starts again empty
  EXPECT_EQ(drain().size(), 1u);
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

namespace {
// Loads a recording of the given body after a valid header; "" when it
// loads, else the error.
std::string replay_error(const std::string& body, const char* path = "/tmp/eh_replay_test.txt") {
  FILE* f = fopen(path, "wb");
  std::string text = std::string("# Ember Hollows input recording\nversion ") + GAME_TITLE + "\nseed 42\n" + body;
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
  uint64_t seed = 0;
  TempString<512> error;
  bool ok = load_input_replay(path, &seed, &error);
  remove(path);
  if (ok) end_input_replay();
  return ok ? "" : error.str;
}
}  // namespace

// Each of these was once accepted (or refused) wrongly: NaN positions froze
// the player, 2^32 + N was read as N, zero bytes passed as empty lines, a
// folder said "no seed" and a 511-character comment was too long.
TEST(Replay, BadValuesAreRefusedWithTheirLineAndAnyLineLengthIsRead) {
  const std::string at = "/tmp/eh_replay_test.txt:4: ";
  EXPECT_EQ(replay_error("e 1 5 0 0 1 2\nw 1 -240 0x1p+3 4\nf 2 0x1.99999ap-6\nf 3\nc 3 65\na 3 1\n"), "");
  EXPECT_EQ(replay_error("e 1 5 0 0 nan 3\n"), at + "can't read 'e 1 5 0 0 nan 3'");
  EXPECT_EQ(replay_error("w 1 120 inf 0\n"), at + "can't read 'w 1 120 inf 0'");
  EXPECT_EQ(replay_error("f 1 nan\n"), at + "can't read 'f 1 nan'");
  EXPECT_EQ(replay_error("w 1 2147483647 0 0\nw 1 -2147483648 0 0\n"), "");
  EXPECT_EQ(replay_error("w 1 2147483648 0 0\n"), at + "can't read 'w 1 2147483648 0 0'");
  EXPECT_EQ(replay_error("f 4294967297\n"), at + "can't read 'f 4294967297'");
  EXPECT_EQ(replay_error("e 1 5 0 0 1 2 extra\n"), at + "can't read 'e 1 5 0 0 1 2 extra'");
  EXPECT_EQ(replay_error("e 1 5 0 0x1ffffffff 1 2\n"), at + "can't read 'e 1 5 0 0x1ffffffff 1 2'");
  EXPECT_EQ(replay_error("f 1\n" + std::string(1 << 20, '\0')),
            "/tmp/eh_replay_test.txt:5: a zero byte: this is not a recording");
  EXPECT_EQ(replay_error("# " + std::string(509, 'c') + "\n# " + std::string(5000, 'c') + "\nf 1"), "");

  uint64_t seed = 0;
  TempString<512> error;
  EXPECT_FALSE(load_input_replay("/tmp", &seed, &error));
  EXPECT_EQ(std::string(error.str), "can't read the recording '/tmp': Is a directory");
}
