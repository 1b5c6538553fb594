// Reloadable machines: include, change detection, reload, and the engine's
// machine rules.
#include <sys/time.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "core/debug.h"
#include "script/script_machines.h"
#include "script/sq_reloadable_vm.h"
#include "script_test_util.h"

using sqbind::SquirrelError;

namespace {

class ReloadableVMTest : public ::testing::Test {
 protected:
  std::string dir;
  SqReloadableVM rvm;
  int64_t stamp = 1000000000;

  void SetUp() override {
    char tmpl[] = "/tmp/eh_script_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    set_error_message(nullptr);
  }
  void TearDown() override {
    rvm.close();
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(system(cmd.c_str()), 0);
  }
  std::string path(const char* name) { return dir + "/" + name; }
  // Writes a script file with a modification time later than any before.
  void write(const char* name, const std::string& text) {
    std::string p = path(name);
    FILE* f = fopen(p.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    stamp += 10;
    struct timeval times[2] = {{time_t(stamp), 0}, {time_t(stamp), 0}};
    ASSERT_EQ(utimes(p.c_str(), times), 0);
  }
  void open() { ASSERT_TRUE(rvm.init(1024)); }
  int global(const char* name) {
    sq_pushroottable(rvm.vm);
    sq_pushstring(rvm.vm, name, -1);
    int value = -1;
    if (SQ_SUCCEEDED(sq_get(rvm.vm, -2))) {
      sq_getinteger(rvm.vm, -1, &value);
      sq_poptop(rvm.vm);
    }
    sq_poptop(rvm.vm);
    return value;
  }
  bool include(const char* name) {
    bool ok = false;
    capture_log([&] { ok = rvm.include(path(name).c_str()); });
    return ok;
  }
  bool reload(bool force) {
    bool ok = false;
    capture_log([&] { ok = rvm.reload(force); });
    return ok;
  }
};

TEST_F(ReloadableVMTest, MachineHasIncludeAndOnlyMathAndStringLibraries) {
  open();
  EXPECT_EQ(sqbind::getReg(rvm.vm, "SqReloadableVM"), &rvm);
  write("libs.nut",
        "has_math <- (\"sqrt\" in getroottable()) ? 1 : 0;\n"
        "has_format <- (\"format\" in getroottable()) ? 1 : 0;\n"
        "has_io <- (\"fopen\" in getroottable() || \"blob\" in getroottable() || \"system\" in getroottable()) ? 1 : 0;\n"
        "has_include <- (\"include\" in getroottable()) ? 1 : 0;\n");
  ASSERT_TRUE(include("libs.nut"));
  EXPECT_EQ(global("has_math"), 1);
  EXPECT_EQ(global("has_format"), 1);
  EXPECT_EQ(global("has_io"), 0);
  EXPECT_EQ(global("has_include"), 1);
}

TEST_F(ReloadableVMTest, EachFileRunsOncePerLoadWhateverTheLetterCase) {
  open();
  write("inc.nut", "if (!(\"runs\" in getroottable())) runs <- 0;\nruns++;\n");
  write("main.nut", "include(\"" + path("inc.nut") + "\");\ninclude(\"" + path("INC.nut") + "\");\n" +
                        "include(\"" + path("inc.nut") + "\");\n");
  ASSERT_TRUE(include("main.nut"));
  EXPECT_EQ(global("runs"), 1);
  ASSERT_EQ(rvm.files.num, 2);
  EXPECT_EQ(std::string(rvm.files[0].path), path("main.nut"));
  EXPECT_EQ(std::string(rvm.files[1].path), path("inc.nut"));
}

TEST_F(ReloadableVMTest, GlobalCounterSurvivesReloads) {
  open();
  write("count.nut", "if (!(\"counter\" in getroottable())) counter <- 0;\ncounter++;\n");
  ASSERT_TRUE(include("count.nut"));
  EXPECT_FALSE(rvm.filesChanged());
  ASSERT_TRUE(reload(true));
  ASSERT_TRUE(reload(true));
  EXPECT_EQ(global("counter"), 3);
  EXPECT_FALSE(rvm.filesChanged());
  // Without force only changed files run.
  ASSERT_TRUE(reload(false));
  EXPECT_EQ(global("counter"), 3);
  write("count.nut", "if (!(\"counter\" in getroottable())) counter <- 0;\ncounter += 10;\n");
  EXPECT_TRUE(rvm.filesChanged());
  ASSERT_TRUE(reload(false));
  EXPECT_EQ(global("counter"), 13);
}

TEST_F(ReloadableVMTest, FailingFileIsWatchedAndRetriedWhenFixed) {
  open();
  write("bad.nut", "value <- ;\n");
  write("main.nut", "include(\"" + path("bad.nut") + "\");\nafter <- 1;\n");
  std::string log;
  bool ok = false;
  log = capture_log([&] { ok = rvm.include(path("main.nut").c_str()); });
  // The failing include does not stop the including script.
  EXPECT_TRUE(ok);
  EXPECT_EQ(global("after"), 1);
  EXPECT_NE(log.find("bin/" + path("bad.nut") + "(1,"), std::string::npos) << log;
  ASSERT_EQ(rvm.files.num, 2);
  EXPECT_FALSE(rvm.filesChanged());

  write("bad.nut", "value <- 5;\n");
  EXPECT_TRUE(rvm.filesChanged());
  ASSERT_TRUE(reload(true));
  EXPECT_EQ(global("value"), 5);
}

TEST_F(ReloadableVMTest, ForcedReloadRunsMainFirstThenIncludesOnce) {
  open();
  write("a.nut", "order <- order + \"a\";\n");
  write("main.nut", "if (!(\"order\" in getroottable())) order <- \"\";\norder <- order + \"m\";\ninclude(\"" +
                        path("a.nut") + "\");\norder <- order + \"M\";\n");
  ASSERT_TRUE(include("main.nut"));
  ASSERT_TRUE(reload(true));
  sq_pushroottable(rvm.vm);
  sqbind::SqObject root(rvm.vm, -1);
  sq_poptop(rvm.vm);
  EXPECT_STREQ(root.getSlotString("order"), "maMmMa");
}

TEST_F(ReloadableVMTest, NewIncludeDuringReloadRunsOnce) {
  open();
  write("b.nut", "if (!(\"b_runs\" in getroottable())) b_runs <- 0;\nb_runs++;\n");
  write("main.nut", "x <- 1;\n");
  ASSERT_TRUE(include("main.nut"));
  write("main.nut", "x <- 2;\ninclude(\"" + path("b.nut") + "\");\n");
  ASSERT_TRUE(reload(true));
  EXPECT_EQ(global("b_runs"), 1);
  EXPECT_EQ(rvm.files.num, 2);
}

TEST_F(ReloadableVMTest, ReloadStopsAtTheFirstFailure) {
  open();
  write("one.nut", "one <- 1;\n");
  write("two.nut", "if (!(\"two\" in getroottable())) two <- 0;\ntwo++;\n");
  write("main.nut", "include(\"" + path("one.nut") + "\");\ninclude(\"" + path("two.nut") + "\");\n");
  ASSERT_TRUE(include("main.nut"));
  write("one.nut", "throw \"one is broken\";\n");
  EXPECT_FALSE(reload(true));
  EXPECT_EQ(global("two"), 1);
  // The times were taken: the same failure is not retried until a change.
  EXPECT_FALSE(rvm.filesChanged());
}

TEST_F(ReloadableVMTest, IncludeWithANumberIsATypeError) {
  open();
  write("num.nut", "include(5);\nreached <- 1;\n");
  try {
    include("num.nut");
    FAIL() << "no error";
  } catch (const SquirrelError& e) {
    EXPECT_STREQ(e.desc, "sq_get*() failed (type error)");
  }
  EXPECT_EQ(global("reached"), -1);
  EXPECT_EQ(sq_gettop(rvm.vm), 0);
}

TEST_F(ReloadableVMTest, MissingFileFailsButIsWatched) {
  open();
  EXPECT_FALSE(include("absent.nut"));
  ASSERT_EQ(rvm.files.num, 1);
  write("absent.nut", "here <- 1;\n");
  EXPECT_TRUE(rvm.filesChanged());
  ASSERT_TRUE(reload(false));
  EXPECT_EQ(global("here"), 1);
}

TEST_F(ReloadableVMTest, CloseKeepsTheListAndInitOpensAFreshMachine) {
  open();
  write("g.nut", "g <- 1;\n");
  ASSERT_TRUE(include("g.nut"));
  rvm.close();
  EXPECT_EQ(rvm.vm, nullptr);
  EXPECT_EQ(rvm.files.num, 1);
  open();
  EXPECT_EQ(global("g"), -1);
}

// The engine's machines: reload rules and hooks.
int before_calls = 0, after_calls = 0;
void count_before() { before_calls++; }
void count_after() { after_calls++; }
void fail_after() { throw SquirrelError("rebinding failed"); }

class ScriptMachineTest : public ReloadableVMTest {
 protected:
  void SetUp() override {
    ReloadableVMTest::SetUp();
    before_calls = after_calls = 0;
  }
  void TearDown() override {
    for (int k = 0; k < SCRIPT_MACHINE_COUNT; k++) unregister_script_machine(ScriptMachineKind(k));
    ReloadableVMTest::TearDown();
  }
  bool check(ScriptMachineKind kind) {
    bool ok = false;
    capture_log([&] { ok = reload_script_machine(kind); });
    return ok;
  }
  void loadTwoFiles() {
    open_script_machine(rvm, SCRIPT_MACHINE_WORLD);
    write("inc.nut", "if (!(\"inc_runs\" in getroottable())) inc_runs <- 0;\ninc_runs++;\n");
    write("main.nut", "if (!(\"main_runs\" in getroottable())) main_runs <- 0;\nmain_runs++;\ninclude(\"" +
                          path("inc.nut") + "\");\n");
    ASSERT_TRUE(include("main.nut"));
  }
};

TEST_F(ScriptMachineTest, WorldAndSoundReloadEverythingAndClearTheMessage) {
  loadTwoFiles();
  register_script_machine(SCRIPT_MACHINE_WORLD, &rvm, {count_before, count_after});
  EXPECT_FALSE(check(SCRIPT_MACHINE_WORLD));  // nothing changed
  EXPECT_EQ(after_calls, 0);
  set_error_message("old message");
  write("inc.nut", "inc_runs += 100;\n");
  EXPECT_TRUE(check(SCRIPT_MACHINE_WORLD));
  EXPECT_EQ(global("main_runs"), 2);  // forced: the main file ran again too
  EXPECT_EQ(global("inc_runs"), 101);
  EXPECT_EQ(before_calls, 1);
  EXPECT_EQ(after_calls, 1);
  EXPECT_FALSE(has_error_message());
}

TEST_F(ScriptMachineTest, SkyRunsOnlyChangedFilesAndKeepsTheMessage) {
  loadTwoFiles();
  register_script_machine(SCRIPT_MACHINE_SKY, &rvm, {nullptr, count_after});
  set_error_message("old message");
  write("inc.nut", "inc_runs += 100;\n");
  capture_log([&] { reload_changed_scripts(); });
  EXPECT_EQ(global("main_runs"), 1);
  EXPECT_EQ(global("inc_runs"), 101);
  EXPECT_EQ(after_calls, 1);
  EXPECT_STREQ(get_error_message(), "old message");
}

TEST_F(ScriptMachineTest, FailedReloadShowsTheMachinesErrorText) {
  loadTwoFiles();
  register_script_machine(SCRIPT_MACHINE_SOUND, &rvm, {count_before, count_after});
  write("inc.nut", "throw \"sound broke\";\n");
  EXPECT_FALSE(check(SCRIPT_MACHINE_SOUND));
  std::string shown = get_error_message();
  EXPECT_EQ(shown.rfind("Error in sound script:\nsound broke\nat ", 0), 0u) << shown;
  EXPECT_NE(shown.find("inc.nut line 1 in main()"), std::string::npos) << shown;
  EXPECT_EQ(after_calls, 0);
  // Fixed and saved: the next check reloads it.
  write("inc.nut", "inc_runs = 7;\n");
  EXPECT_TRUE(check(SCRIPT_MACHINE_SOUND));
  EXPECT_EQ(global("inc_runs"), 7);
  EXPECT_FALSE(has_error_message());

  register_script_machine(SCRIPT_MACHINE_WORLD, &rvm, {nullptr, fail_after});
  write("inc.nut", "inc_runs = 8;\n");
  EXPECT_FALSE(check(SCRIPT_MACHINE_WORLD));
  EXPECT_STREQ(get_error_message(), "Error in world gen script:\nrebinding failed");
}

TEST_F(ScriptMachineTest, MainFileFailureIsAScriptErrorOrFatalForTheSky) {
  open_script_machine(rvm, SCRIPT_MACHINE_WORLD);
  capture_log([&] {
    try {
      run_script_main_file(rvm, SCRIPT_MACHINE_WORLD);  // "gen/main.nut" is not beside the test
      ADD_FAILURE() << "no error";
    } catch (const SquirrelError&) {
    }
  });
  EXPECT_EXIT(run_script_main_file(rvm, SCRIPT_MACHINE_SKY), ::testing::ExitedWithCode(100), "error in sky script");
}

}  // namespace
