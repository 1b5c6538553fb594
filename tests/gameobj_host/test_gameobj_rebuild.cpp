#include <gtest/gtest.h>
#include <unistd.h>
#include <string>
#include "core/debug.h"
#include "gameobj_host/gameobj_rebuild.h"
#include "gameobj_host/gameobj_sources.h"
#include "gameobj_test_files.h"

namespace {

TEST(IsErrorLine, MatchesTheWordErrorOrErrors) {
    EXPECT_TRUE(is_error_line("main.ls:3:1: error: expected ';'"));
    EXPECT_TRUE(is_error_line("Errors"));
    EXPECT_TRUE(is_error_line("2 errors generated."));
    EXPECT_TRUE(is_error_line("ERROR"));
    EXPECT_TRUE(is_error_line("(error)"));
    EXPECT_TRUE(is_error_line("terror then error"));
}

TEST(IsErrorLine, IgnoresLongerWords) {
    EXPECT_FALSE(is_error_line("terror"));
    EXPECT_FALSE(is_error_line("errorlevel 1"));
    EXPECT_FALSE(is_error_line("error_code"));
    EXPECT_FALSE(is_error_line("errorss"));
    EXPECT_FALSE(is_error_line("_error"));
    EXPECT_FALSE(is_error_line("error2"));
    EXPECT_FALSE(is_error_line("erro"));
    EXPECT_FALSE(is_error_line(""));
}

// Runs the poll the way the once-per-second tick does, until the rebuild is
// no longer busy; returns the captured log.
std::string poll_until_done(int* polls = nullptr) {
    testing::internal::CaptureStdout();
    int n = 0;
    while (poll_gameobj_rebuild() && n < 6000) {
        n++;
        usleep(5000);
    }
    if (polls) *polls = n;
    return testing::internal::GetCapturedStdout();
}

class GameObjRebuildTest : public ::testing::Test {
protected:
    GameObjTestFolder folder;

    void SetUp() override {
        set_error_message(nullptr);
        set_gameobj_source("../compiler/", "main.ls");
        folder.writeSource("main.ls", "import unit\n");
        folder.writeSource("unit.ls", "");
        rescan_gameobj_sources();
    }
    void TearDown() override {
        gameobj_sources.clear();
        set_error_message(nullptr);
    }

    void touchUnit() { GameObjTestFolder::setFileTime(folder.sourceDir() + "unit.ls", 30); }
};

TEST_F(GameObjRebuildTest, NothingChangedMeansNoRebuild) {
    EXPECT_FALSE(poll_gameobj_rebuild());
    EXPECT_FALSE(gameobj_rebuild_running());
}

TEST_F(GameObjRebuildTest, ASucceedingScriptRunsInTheSourceFolderOnce) {
    folder.writeSource(GAMEOBJ_REBUILD_SCRIPT,
                       "echo \"building in $(pwd -P)\"\n"
                       "echo \"output $1\"\n"
                       "sleep 0.2\n"
                       "echo finished\n");
    set_error_message("old failure");
    touchUnit();
    int polls = 0;
    std::string log = poll_until_done(&polls);
    EXPECT_GT(polls, 0) << "the script's end is seen by a later poll";
    char real[4096];
    ASSERT_NE(realpath(folder.sourceDir().c_str(), real), nullptr);
    EXPECT_NE(log.find("=== rebuilding gameobj DLL"), std::string::npos) << log;
    EXPECT_NE(log.find(std::string("building in ") + real + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("output " + folder.binDir() + GAMEOBJ_NEW_MODULE_FILE + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("finished\n"), std::string::npos) << log;
    EXPECT_NE(log.find("=== DLL rebuild done in "), std::string::npos) << log;
    EXPECT_FALSE(has_error_message()) << "a rebuild starts by clearing the old message";

    // The scan recorded the new times: the same edit does not build again.
    EXPECT_FALSE(poll_gameobj_rebuild());
}

TEST_F(GameObjRebuildTest, TheExitCodeAloneDecidesTheResult) {
    // A warning about a variable named "error" in a build that succeeded.
    folder.writeSource(GAMEOBJ_REBUILD_SCRIPT, "echo \"unit.ls:1:5: warning: unused variable 'error'\"\nexit 0\n");
    touchUnit();
    std::string log = poll_until_done();
    EXPECT_NE(log.find("=== DLL rebuild done in "), std::string::npos) << log;
    EXPECT_FALSE(has_error_message()) << get_error_message();

    // A failed build shows its error lines, not the others.
    folder.writeSource(GAMEOBJ_REBUILD_SCRIPT,
                       "echo 'unit.ls:1:1: terror'\n"
                       "echo 'Build: 2 Errors'\n"
                       "exit 1\n");
    touchUnit();
    GameObjTestFolder::setFileTime(folder.sourceDir() + "unit.ls", 60);
    log = poll_until_done();
    EXPECT_NE(log.find("!!! failed to rebuild gameobj DLL (code 1)"), std::string::npos) << log;
    EXPECT_STREQ(get_error_message(), "Build: 2 Errors\ngameobj rebuild failed!!!");
}

TEST_F(GameObjRebuildTest, ANonZeroExitFailsTheRebuild) {
    folder.writeSource(GAMEOBJ_REBUILD_SCRIPT, "echo warning only\nexit 3\n");
    touchUnit();
    std::string log = poll_until_done();
    EXPECT_NE(log.find("!!! failed to rebuild gameobj DLL (code 3)"), std::string::npos) << log;
    EXPECT_STREQ(get_error_message(), "gameobj rebuild failed!!!");
}

TEST_F(GameObjRebuildTest, OutputWithoutAFinalLineFeedIsStillRead) {
    folder.writeSource(GAMEOBJ_REBUILD_SCRIPT, "printf 'fatal error: no newline'\nexit 1\n");
    touchUnit();
    std::string log = poll_until_done();
    EXPECT_NE(log.find("fatal error: no newline"), std::string::npos) << log;
    EXPECT_STREQ(get_error_message(), "fatal error: no newline\ngameobj rebuild failed!!!");
}

TEST_F(GameObjRebuildTest, AScriptThatCannotStartIsReportedOnce) {
    touchUnit();  // no script in the source folder
    testing::internal::CaptureStdout();
    EXPECT_TRUE(poll_gameobj_rebuild());
    EXPECT_FALSE(poll_gameobj_rebuild());
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("!!! Error starting DLL rebuild"), std::string::npos) << log;
    EXPECT_FALSE(gameobj_rebuild_running());
}

TEST_F(GameObjRebuildTest, LongOutputIsDrainedWithoutBlockingTheScript) {
    // More than a pipe holds: the script only ends if the host keeps reading.
    folder.writeSource(GAMEOBJ_REBUILD_SCRIPT,
                       "i=0\nwhile [ $i -lt 3000 ]; do echo \"line $i of the compiler output.....\"; i=$((i+1)); done\n");
    touchUnit();
    std::string log = poll_until_done();
    EXPECT_NE(log.find("line 2999 of the compiler output"), std::string::npos);
    EXPECT_NE(log.find("=== DLL rebuild done in "), std::string::npos);
}

}  // namespace
