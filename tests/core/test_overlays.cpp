#include <gtest/gtest.h>
#include <string>
#include "core/debug.h"
#include "tests/core/child_process.h"

TEST(VisualLog, KeepsTheLastHundredLinesOldestFirst) {
  clear_visual_log();
  for (int i = 0; i < 100; i++) visual_log("line %d", i);
  EXPECT_EQ(get_visual_log().num, 100);
  EXPECT_STREQ(get_visual_log()[0], "line 0");
  visual_log("line %d", 100);
  ASSERT_EQ(get_visual_log().num, 100);
  EXPECT_STREQ(get_visual_log()[0], "line 1");
  EXPECT_STREQ(get_visual_log().last(), "line 100");
  for (int i = 101; i < 250; i++) visual_log("line %d", i);
  EXPECT_EQ(get_visual_log().num, 100);
  EXPECT_STREQ(get_visual_log()[0], "line 150");
  clear_visual_log();
  EXPECT_EQ(get_visual_log().num, 0);
  EXPECT_EQ(get_visual_log().data, nullptr);
}

TEST(VisualLog, LongLinesAreCutTo127Characters) {
  clear_visual_log();
  visual_log("%s", std::string(300, 'z').c_str());
  EXPECT_EQ(std::string(get_visual_log()[0]), std::string(127, 'z'));
  clear_visual_log();
}

TEST(ErrorMessage, SetReplacesAndEmptyClears) {
  set_error_message("first");
  set_error_message("second");
  EXPECT_TRUE(has_error_message());
  EXPECT_STREQ(get_error_message(), "second");
  set_error_message("");
  EXPECT_FALSE(has_error_message());
  EXPECT_STREQ(get_error_message(), "");
  set_error_message("x");
  set_error_message(nullptr);
  EXPECT_FALSE(has_error_message());
}

TEST(ErrorMessage, AppendJoinsLinesWithLineFeed) {
  set_error_message(nullptr);
  append_error_message("b", -1);
  EXPECT_STREQ(get_error_message(), "b");
  set_error_message("a");
  append_error_message("b", -1);
  EXPECT_STREQ(get_error_message(), "a\nb");
  append_error_message("cdef", 2);
  EXPECT_STREQ(get_error_message(), "a\nb\ncd");
  append_error_message(nullptr, 3);
  append_error_message("zz", 0);
  append_error_message("", -1);
  EXPECT_STREQ(get_error_message(), "a\nb\ncd");
  set_error_message(nullptr);
}

TEST(ErrorMessage, MessageCanBeAppendedToAndSetFromItself) {
  set_error_message("loop");
  for (int i = 0; i < 4; i++) append_error_message(get_error_message(), -1);
  std::string expected = "loop";
  for (int i = 0; i < 4; i++) expected = expected + "\n" + expected;
  EXPECT_EQ(std::string(get_error_message()), expected);
  set_error_message(get_error_message() + 5);
  EXPECT_EQ(std::string(get_error_message()), expected.substr(5));
  set_error_message(nullptr);
}

TEST(ErrorMessage, SettingIsLoggedAppendingIsNot) {
  ChildResult r = run_in_child([] {
    set_error_message("shader failed");
    append_error_message("more", -1);
    set_error_message("");
  });
  EXPECT_EQ(r.out, "ERROR MESSAGE SET: shader failed\n");
}
