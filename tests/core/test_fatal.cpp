#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include "core/debug.h"
#include "tests/core/child_process.h"

namespace {

int hook_runs = 0;
void counting_hook() {
  hook_runs++;
  fprintf(stdout, "hook ran %d\n", hook_runs);
}
void failing_hook() {
  fprintf(stdout, "hook ran\n");
  fatal("second failure during shutdown");
}

}  // namespace

TEST(Log, DebugAddsLineFeedAndDebugUnderscoreDoesNot) {
  ChildResult r = run_in_child([] {
    debug_("a=%d ", 1);
    debug("b=%s", "two");
    debug("%s", "");
  });
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "a=1 b=two\n\n");
  EXPECT_EQ(r.err, "");
}

TEST(Fatal, LogsReportsRunsShutdownOnceAndExits100) {
  ChildResult r = run_in_child([] {
    set_shutdown_hook(counting_hook);
    fatal("broken %s %d", "thing", 42);
  });
  EXPECT_EQ(r.exitCode, 100);
  EXPECT_EQ(r.err, "\n\nbroken thing 42\n");
  EXPECT_EQ(r.out, "ERROR: broken thing 42\nhook ran 1\n");
}

TEST(Fatal, FailedAssertNamesFileLineAndExpression) {
  ChildResult r = run_in_child([] {
    int level = 3;
    ASSERT(level<2);
  });
  EXPECT_EQ(r.exitCode, 100);
  EXPECT_NE(r.err.find("test_fatal.cpp("), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("): failed ASSERT(level<2)\n"), std::string::npos) << r.err;
}

TEST(Fatal, LongMessageIsCutInTheReportButNotOnStderr) {
  ChildResult r = run_in_child([] { fatal("%s", std::string(5000, 'x').c_str()); });
  EXPECT_EQ(r.exitCode, 100);
  EXPECT_EQ(r.err, "\n\n" + std::string(5000, 'x') + "\n");
  EXPECT_EQ(r.out, "ERROR: " + std::string(4095, 'x') + "\n");
}

TEST(Fatal, FailureInsideShutdownDoesNotRunItAgain) {
  ChildResult r = run_in_child([] {
    set_shutdown_hook(failing_hook);
    fatal("first");
  });
  EXPECT_EQ(r.exitCode, 100);
  EXPECT_EQ(r.out, "ERROR: first\nhook ran\nERROR: second failure during shutdown\n");
}

TEST(Fatal, HeadlessEvenWithDisplaySetStillExits100) {
  ScopedEnv display("DISPLAY", ":987");  // no server there
  ScopedEnv driver("SDL_VIDEODRIVER", "offscreen");
  ChildResult r = run_in_child([] { fatal("no box"); });
  EXPECT_EQ(r.exitCode, 100);
  EXPECT_EQ(r.out, "ERROR: no box\n");
}

TEST(Fatal, BoxThatCannotBeShownIsLoggedAndStillExits100) {
  ScopedEnv display("DISPLAY", ":987");  // a window system that is not there
  ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
  ScopedEnv driver("SDL_VIDEODRIVER", nullptr);
  ChildResult r = run_in_child([] { fatal("box fails"); });
  EXPECT_EQ(r.exitCode, 100);
  EXPECT_EQ(r.out.rfind("ERROR: box fails\n", 0), 0u) << r.out;
}

TEST(QuitGame, RunsShutdownThenExitsWithTheCode) {
  ChildResult r = run_in_child([] {
    set_shutdown_hook(counting_hook);
    quit_game(7);
  });
  EXPECT_EQ(r.exitCode, 7);
  EXPECT_EQ(r.out, "hook ran 1\n");
  ChildResult none = run_in_child([] { quit_game(0); });
  EXPECT_EQ(none.exitCode, 0);
}
