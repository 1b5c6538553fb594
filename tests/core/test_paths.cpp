#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "core/paths.h"
#include "tests/core/child_process.h"

namespace {

// Sets app_path for one test and restores it afterwards.
class AppPath {
 public:
  explicit AppPath(const char* path) {
    memcpy(saved_, app_path, sizeof(saved_));
    snprintf(app_path, sizeof(app_path), "%s", path);
  }
  ~AppPath() { memcpy(app_path, saved_, sizeof(saved_)); }

 private:
  char saved_[MAX_PATH_LEN];
};

std::string exe_name() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  return n < 0 ? std::string() : std::string(buf, size_t(n));
}

}  // namespace

TEST(ExePath, NamesThisProgramAndItsFolder) {
  std::string exe = exe_name();
  char buf[MAX_PATH_LEN];
  ASSERT_TRUE(get_exe_filename(buf, sizeof(buf)));
  EXPECT_EQ(std::string(buf), exe);
  ASSERT_TRUE(get_exe_path(buf, sizeof(buf)));
  EXPECT_EQ(std::string(buf), exe.substr(0, exe.rfind('/') + 1));
  // A buffer the name would fill completely may hold a cut name.
  EXPECT_FALSE(get_exe_filename(buf, int(exe.size())));
  EXPECT_EQ(strlen(buf), exe.size() - 1);
  EXPECT_TRUE(get_exe_filename(buf, int(exe.size()) + 1));
  EXPECT_FALSE(get_exe_path(buf, 4));

  AppPath keep("");
  ASSERT_TRUE(init_app_path());
  EXPECT_EQ(std::string(app_path), exe.substr(0, exe.rfind('/') + 1));
}

TEST(ExePath, CutToFolderKeepsTrailingSeparator) {
  char a[] = "/games/x/game";
  cut_to_folder(a);
  EXPECT_STREQ(a, "/games/x/");
  char b[] = "C:\\Games\\x\\game.exe";
  cut_to_folder(b);
  EXPECT_STREQ(b, "C:\\Games\\x\\");
  char c[] = "game";
  cut_to_folder(c);
  EXPECT_STREQ(c, "");
}

TEST(MakeFullPath, RelativeNamesAreTakenFromTheExecutableFolder) {
  AppPath base("/g/");
  EXPECT_STREQ(make_full_path("shaders/land.sh"), "/g/shaders/land.sh");
  EXPECT_STREQ(make_full_path("../a.txt"), "/a.txt");
  EXPECT_STREQ(make_full_path("/x/y.dds"), "/x/y.dds");
  EXPECT_STREQ(make_full_path(nullptr), "/g/");
  EXPECT_STREQ(make_full_path("gen\\main.nut"), "/g/gen/main.nut");
  EXPECT_STREQ(make_full_path("a/./b//c/../d"), "/g/a/b/d");
  EXPECT_STREQ(make_full_path("../../../x"), "/x");
  EXPECT_STREQ(make_full_path("shots/"), "/g/shots/");
  EXPECT_STREQ(make_full_path(""), "/g/");
}

TEST(MakeFullPath, TooLongResultIsEmptyRatherThanCut) {
  AppPath base("/g/");
  std::string longName(300, 'n');
  EXPECT_STREQ(make_full_path(longName.c_str()), "");
  // Long only before normalising: fits once resolved.
  std::string shrinking = std::string(400, 'a') + "/../b";
  EXPECT_STREQ(make_full_path(shrinking.c_str()), "/g/b");
}

TEST(MakeFullPath, WithoutAppPathUsesTheCurrentFolder) {
  AppPath base("");
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
  std::string expected = std::string(cwd) + "/f.txt";
  EXPECT_STREQ(make_full_path("f.txt"), expected.c_str());
}

TEST(FileTime, IsModificationTimeOrZero) {
  TempFolder dir;
  std::string name = dir.file("t.txt");
  FILE* f = fopen(name.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fclose(f);
  utimbuf times{1000000000, 1234567890};
  ASSERT_EQ(utime(name.c_str(), &times), 0);
  EXPECT_EQ(get_file_time(name.c_str()), 1234567890);
  EXPECT_EQ(get_file_time(dir.file("missing").c_str()), 0);
  EXPECT_EQ(get_file_time(nullptr), 0);
}

TEST(AppdataPath, FollowsXdgThenHomeThenAppPath) {
  AppPath base("/g/");
  {
    ScopedEnv xdg("XDG_DATA_HOME", "/tmp/eh-data");
    EXPECT_STREQ(get_appdata_path(), "/tmp/eh-data/");
    EXPECT_STREQ(get_appdata_path("saves"), "/tmp/eh-data/saves");
  }
  {
    ScopedEnv xdg("XDG_DATA_HOME", "relative/ignored");
    ScopedEnv home("HOME", "/home/p");
    EXPECT_STREQ(get_appdata_path(), "/home/p/.local/share/");
  }
  {
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", nullptr);
    EXPECT_STREQ(get_appdata_path("x"), "/g/x");
  }
}

TEST(AppdataPath, LongFoldersWorkAndTooLongOnesAreEmptyNeverCut) {
  std::string longFolder = "/" + std::string(300, 'd');
  {
    ScopedEnv xdg("XDG_DATA_HOME", longFolder.c_str());
    EXPECT_EQ(std::string(get_appdata_path("saves").str), longFolder + "/saves");
  }
  std::string tooLong = "/" + std::string(PATH_MAX - 4, 'd');
  ScopedEnv xdg("XDG_DATA_HOME", tooLong.c_str());
  EXPECT_EQ(std::string(get_appdata_path().str), tooLong + "/");
  EXPECT_STREQ(get_appdata_path("saves"), "");
}

TEST(InstalledLayout, DataIsFoundFromTheExecutablesFolderWhereverTheTreeIs) {
  TempFolder root;
  std::string games = root.file("usr/games/"), data = root.file("usr/share/ember-hollows/");
  ASSERT_EQ(system(("mkdir -p '" + games + "'").c_str()), 0);
  EXPECT_STREQ(installed_data_folder(games.c_str()), "");  // a build tree: data beside the executable
  ASSERT_EQ(system(("mkdir -p '" + data + "'").c_str()), 0);
  EXPECT_EQ(std::string(installed_data_folder(games.c_str()).str), data);
}

TEST(InstalledLayout, FilesTheGameWritesGoToThePlayersFoldersNeverTheInstalledOnes) {
  AppPath base("/usr/share/ember-hollows/");
  app_installed = false;
  EXPECT_STREQ(make_cache_path("land.sh.cache"), "/usr/share/ember-hollows/cache/land.sh.cache");
  EXPECT_STREQ(make_user_file_path("shots/a.png"), "/usr/share/ember-hollows/shots/a.png");
  app_installed = true;
  {
    ScopedEnv cache("XDG_CACHE_HOME", "/c");
    ScopedEnv data("XDG_DATA_HOME", "/d");
    EXPECT_STREQ(make_cache_path("land.sh.cache"), "/c/EmberHollows/land.sh.cache");
    EXPECT_STREQ(make_user_file_path("shots/a.png"), "/d/EmberHollows/shots/a.png");
  }
  {
    ScopedEnv cache("XDG_CACHE_HOME", nullptr);
    ScopedEnv data("XDG_DATA_HOME", "relative");
    ScopedEnv home("HOME", "/home/p");
    EXPECT_STREQ(make_cache_path("x"), "/home/p/.cache/EmberHollows/x");
    EXPECT_STREQ(make_user_file_path("x"), "/home/p/.local/share/EmberHollows/x");
  }
  {
    ScopedEnv cache("XDG_CACHE_HOME", nullptr);
    ScopedEnv data("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", nullptr);
    EXPECT_STREQ(make_cache_path("x"), "");
    EXPECT_STREQ(make_user_file_path("x"), "");
  }
  app_installed = false;
}
