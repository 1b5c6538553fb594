#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "core/settings.h"
#include "tests/core/child_process.h"

namespace {

// Every test gets its own config folder; the developer's own is never used.
class Settings : public testing::Test {
 protected:
  TempFolder dir;
  ScopedEnv xdg{"XDG_CONFIG_HOME", dir.path().c_str()};

  std::string file() const { return dir.path() + "/EmberHollows/settings"; }
  void writeRaw(const std::string& bytes) {
    std::string folder = dir.path() + "/EmberHollows";
    mkdir(folder.c_str(), 0755);
    std::ofstream(file(), std::ios::binary) << bytes;
  }
  std::string readRaw() const {
    std::ifstream in(file(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string str(const char* name) {
    char buf[256];
    return get_config_str(name, buf, sizeof(buf)) ? std::string(buf) : std::string("<none>");
  }
  int integer(const char* name, int fallback = -12345) {
    int v = fallback;
    get_config_int(name, &v);
    return v;
  }
};

using namespace std::string_literals;

}  // namespace

TEST_F(Settings, FileLivesInTheConfigFolder) {
  EXPECT_EQ(std::string(get_settings_file_path()), file());
  ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
  ScopedEnv home("HOME", "/home/p");
  EXPECT_STREQ(get_settings_file_path(), "/home/p/.config/EmberHollows/settings");
}

TEST_F(Settings, IntsAndTextsRoundTrip) {
  int v = 7;
  EXPECT_FALSE(get_config_int("flags", &v));  // no file yet
  EXPECT_EQ(v, 7);
  ASSERT_TRUE(set_config_int("flags", 13));
  ASSERT_TRUE(set_config_int("land_shadows", -2));
  ASSERT_TRUE(set_config_str("gfx_quality", "high", -1));
  ASSERT_TRUE(set_config_str("B_map", "#9", -1));
  EXPECT_EQ(integer("flags"), 13);
  EXPECT_EQ(integer("land_shadows"), -2);
  EXPECT_EQ(str("gfx_quality"), "high");
  char buf[64];
  memset(buf, 'q', sizeof(buf));
  ASSERT_TRUE(get_config_str("B_map", buf, 64));
  EXPECT_STREQ(buf, "#9");
  ASSERT_TRUE(set_config_int("flags", 2));  // replaces
  EXPECT_EQ(integer("flags"), 2);
  EXPECT_EQ(str("gfx_quality"), "high");
}

TEST_F(Settings, TypeMismatchFailsAndLeavesOutputAlone) {
  set_config_str("gfx_quality", "low", -1);
  set_config_int("flags", 3);
  int v = 99;
  EXPECT_FALSE(get_config_int("gfx_quality", &v));
  EXPECT_EQ(v, 99);
  char buf[8] = "keep";
  EXPECT_FALSE(get_config_str("flags", buf, sizeof(buf)));
  EXPECT_STREQ(buf, "keep");
  EXPECT_FALSE(get_config_str("absent", buf, sizeof(buf)));
}

TEST_F(Settings, TextLengthAndBufferSizeAreHonoured) {
  set_config_str("s", "abcdef", 3);
  EXPECT_EQ(str("s"), "abc");
  char small[4];
  ASSERT_TRUE(get_config_str("s", small, 3));
  EXPECT_STREQ(small, "ab");
  set_config_str("empty", "", -1);
  EXPECT_EQ(str("empty"), "");
  EXPECT_FALSE(get_config_str("s", small, 0));
}

TEST_F(Settings, AwkwardNamesAndTextsSurvive) {
  const char* text = "line one\nname=value\\x01 \t\r\x7f end ";
  ASSERT_TRUE(set_config_str("odd name=\\", text, -1));
  ASSERT_TRUE(set_config_int("after", 1));
  EXPECT_EQ(str("odd name=\\"), text);
  EXPECT_EQ(integer("after"), 1);
  EXPECT_FALSE(set_config_int("", 1));
  EXPECT_FALSE(set_config_int(nullptr, 1));
}

TEST_F(Settings, DamagedEntriesAreSkippedAndTheRestKept) {
  writeRaw(
      "# Ember Hollows settings\n"
      "int flags=5\n"
      "garbage without a type\n"
      "int land_shadows=12x\n"
      "int big=99999999999\n"
      "str bad=escape\\q\n"
      "str gfx_quality=low\r\n"
      "\x01\x02\xff\xfe binary\0junk\n"
      "float other=1.5\n"
      "str =nameless\n"
      "int neg=-2147483648\n"
      "str B_up=#87\n"
      "int cut=12"s);  // a cut-off last line may be a cut-off value
  EXPECT_EQ(integer("flags"), 5);
  EXPECT_EQ(str("gfx_quality"), "low");
  EXPECT_EQ(integer("neg"), -2147483647 - 1);
  EXPECT_EQ(str("B_up"), "#87");
  EXPECT_EQ(integer("land_shadows"), -12345);
  EXPECT_EQ(integer("big"), -12345);
  EXPECT_EQ(str("bad"), "<none>");
  EXPECT_EQ(integer("cut"), -12345);

  // A write keeps every readable value and drops the damage.
  ASSERT_TRUE(set_config_int("land_shadows", 1));
  EXPECT_EQ(integer("flags"), 5);
  EXPECT_EQ(str("B_up"), "#87");
  EXPECT_EQ(integer("land_shadows"), 1);
  EXPECT_EQ(readRaw().find("garbage"), std::string::npos);
}

TEST_F(Settings, RangedIntsOutsideTheirRangeReadAsAbsent) {
  ASSERT_TRUE(set_config_int("land_shadows", -2));
  int v = 7;
  EXPECT_FALSE(get_config_int_in_range("land_shadows", 0, 2, &v));
  EXPECT_EQ(v, 7);
  ASSERT_TRUE(set_config_int("land_shadows", 2));
  EXPECT_TRUE(get_config_int_in_range("land_shadows", 0, 2, &v));
  EXPECT_EQ(v, 2);
  EXPECT_FALSE(get_config_int_in_range("missing", 0, 2, &v));
}

TEST_F(Settings, ForeignOrEmptyFilesReadAsNoSettings) {
  writeRaw(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  EXPECT_EQ(integer("flags"), -12345);
  writeRaw("");
  EXPECT_EQ(str("gfx_quality"), "<none>");
  ASSERT_TRUE(set_config_int("flags", 1));
  EXPECT_EQ(integer("flags"), 1);
}

TEST_F(Settings, RewriteLeavesNoTemporaryFileBehind) {
  for (int i = 0; i < 5; i++) ASSERT_TRUE(set_config_int("n", i));
  DIR* d = opendir((dir.path() + "/EmberHollows").c_str());
  ASSERT_NE(d, nullptr);
  int files = 0;
  while (dirent* e = readdir(d))
    if (e->d_name[0] != '.') files++;
  closedir(d);
  EXPECT_EQ(files, 1);
  EXPECT_EQ(integer("n"), 4);
}

TEST_F(Settings, UnwritableStoreReportsFailureAndKeepsOldFile) {
  ASSERT_TRUE(set_config_int("flags", 5));
  {
    // A file where the folder should be.
    std::string blocker = dir.file("blocker");
    std::ofstream(blocker) << "x";
    ScopedEnv elsewhere("XDG_CONFIG_HOME", blocker.c_str());
    EXPECT_FALSE(set_config_int("flags", 6));
    EXPECT_FALSE(set_config_str("gfx_quality", "low", -1));
    int v = 0;
    EXPECT_FALSE(get_config_int("flags", &v));
  }
  EXPECT_EQ(integer("flags"), 5);
}

// Whatever damage the file has, a write keeps every value that could be read
// before it, and the new value reads back.
TEST_F(Settings, WritesOverRandomlyDamagedFilesLoseNothingReadable) {
  const char* names[] = {"flags", "gfx_quality", "B_left", "odd\n=name", "land_shadows"};
  set_config_int("flags", 11);
  set_config_str("gfx_quality", "high", -1);
  set_config_str("B_left", "#65", -1);
  set_config_str("odd\n=name", "x\\y=z\n", -1);
  set_config_int("land_shadows", -7);
  const std::string pristine = readRaw();
  unsigned seed = 12345;
  auto next = [&seed](unsigned range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % range;
  };
  for (int round = 0; round < 80; round++) {
    std::string damaged = pristine;
    if (round % 3 == 0) damaged.resize(next(unsigned(damaged.size()) + 1));
    for (int flips = int(next(4)); flips > 0 && !damaged.empty(); flips--)
      damaged[next(unsigned(damaged.size()))] = char(next(256));
    writeRaw(damaged);

    std::string before[5];
    for (int i = 0; i < 5; i++) {
      int v;
      before[i] = get_config_int(names[i], &v) ? "int " + std::to_string(v) : "str " + str(names[i]);
    }
    ASSERT_TRUE(set_config_int("probe", round));
    EXPECT_EQ(integer("probe"), round);
    for (int i = 0; i < 5; i++) {
      int v;
      std::string after = get_config_int(names[i], &v) ? "int " + std::to_string(v) : "str " + str(names[i]);
      EXPECT_EQ(after, before[i]) << "round " << round << " name " << names[i];
    }
  }
}

TEST_F(Settings, LongConfigFoldersWork) {
  // 260 characters and more once wrote files nobody read back.
  std::string folder = dir.path();
  while (folder.size() < 300) folder.append("/").append(40, 'c');
  ScopedEnv longXdg("XDG_CONFIG_HOME", folder.c_str());
  ASSERT_TRUE(set_config_int("first", 1));
  ASSERT_TRUE(set_config_str("second", "two", -1));
  EXPECT_EQ(integer("first"), 1);
  EXPECT_EQ(str("second"), "two");
  EXPECT_EQ(std::string(get_settings_file_path()), folder + "/EmberHollows/settings");
}

// A megabyte of short entries once took over a minute to read; the test
// program's time limit catches a return to that.
TEST_F(Settings, AHugeFileReadsInOnePassWithTheLastValueOfANameWinning) {
  std::string raw = "# Ember Hollows settings\n";
  int entries = 0;
  char line[64];
  while (raw.size() < (1u << 20) - 64) {
    snprintf(line, sizeof(line), "int k%d=%d\n", entries % 60000, entries);
    raw += line;
    entries++;
  }
  writeRaw(raw);
  EXPECT_EQ(integer("k5"), entries > 60005 ? 60005 : 5);
  snprintf(line, sizeof(line), "k%d", (entries - 1) % 60000);
  EXPECT_EQ(integer(line), entries - 1);
  ASSERT_TRUE(set_config_int("added", 1));
  EXPECT_EQ(integer("k7"), entries > 60007 ? 60007 : 7);
  EXPECT_EQ(integer("added"), 1);
}

TEST_F(Settings, WritersInSeveralProcessesKeepEachOthersEntries) {
  const int WRITERS = 4, EACH = 25;
  auto name = [](int w, int i) {
    char text[32];
    snprintf(text, sizeof(text), "w%d_%d", w, i);
    return std::string(text);
  };
  std::vector<pid_t> children;
  for (int w = 0; w < WRITERS; w++) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int i = 0; i < EACH; i++) ok = set_config_int(name(w, i).c_str(), i) && ok;
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  int kept = 0;
  for (int w = 0; w < WRITERS; w++)
    for (int i = 0; i < EACH; i++) kept += integer(name(w, i).c_str()) == i;
  EXPECT_EQ(kept, WRITERS * EACH);
}
