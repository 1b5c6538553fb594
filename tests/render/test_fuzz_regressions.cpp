// Inputs the font, icon and TGA fuzzers once found faults with, replayed:
// each must be refused or used without a fault (the sanitizer build
// checks the reads).
#include <dirent.h>
#include <gtest/gtest.h>
#include <fstream>
#include <string>
#include <vector>
#include "tests/render/fuzz/exercise_fonts.h"

namespace {
std::vector<uint8_t> read_hex(const std::string& path) {
  std::ifstream f(path);
  std::vector<uint8_t> bytes;
  std::string hex;
  while (f >> hex)
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}
}  // namespace

TEST(FontFuzzRegressions, EveryFindingIsHandled) {
  std::string dir = std::string(EH_SOURCE_DIR) + "/tests/render/fuzz/regressions/";
  DIR* d = opendir(dir.c_str());
  ASSERT_NE(d, nullptr) << dir;
  int replayed = 0;
  for (dirent* e; (e = readdir(d));) {
    std::string name = e->d_name;
    if (name.size() < 5 || name.substr(name.size() - 4) != ".hex") continue;
    std::vector<uint8_t> input = read_hex(dir + name);
    SCOPED_TRACE(name);
    if (name.rfind("font_", 0) == 0)
      exercise_dist_font(input.data(), input.size());
    else if (name.rfind("icons_", 0) == 0)
      exercise_dist_icons(input.data(), input.size());
    else if (name.rfind("tga_", 0) == 0)
      exercise_tga(input.data(), input.size());
    else
      ADD_FAILURE() << "no target for " << name;
    replayed++;
  }
  closedir(d);
  EXPECT_GT(replayed, 0);
}
