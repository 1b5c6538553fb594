#include "script/saved_games.h"
#include "script/world_generation.h"
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>
#include "tests/script/world_script_test_util.h"

namespace {

const char* const UNIVERSE_SCRIPT = R"(
  function generate_universe() {
    local w = [];
    for (local i = 0; i < 24; i++)
      w.append({name = "World " + i, kind = ["islands", "canyons", "peaks"][i % 3], seed = i * 7919,
                pos = [i * 12.5, -i], visited = i % 2 == 0, links = [i, (i + 1) % 24]});
    return {worlds = w, version = 3, note = "a\x00" + "b", nothing = null};
  }
  function same(a, b) {
    if (typeof a != typeof b) return false;
    if (typeof a == "array" || typeof a == "table") {
      if (a.len() != b.len()) return false;
      foreach (k, v in a) if (!(k in b) || !same(v, b[k])) return false;
      return true;
    }
    return a == b;
  }
)";

using Bytes = std::vector<char>;

class SavedGamesTest : public WorldScriptTest {
 protected:
  void SetUp() override {
    WorldScriptTest::SetUp();
    start(UNIVERSE_SCRIPT);
    cur_game_slot = -1;
  }
  void TearDown() override {
    cur_game_slot = -1;
    WorldScriptTest::TearDown();
  }
  std::string slot_file(int slot, const char* name) { return saved_game_path(slot, name).str; }
  Bytes read_bytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
  }
  void write_bytes(const std::string& path, const Bytes& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  }
  void save_into(int slot, const std::string& name) {
    make_universe(name);
    cur_game_slot = slot;
    ASSERT_TRUE(save_game()) << error();
  }
};

TEST_F(SavedGamesTest, SlotFilesLiveUnderTheDataFolder) {
  EXPECT_EQ(slot_file(4, "info"), root + "/data/EmberHollows/saves/4/info");
  EXPECT_EQ(slot_file(12, ""), root + "/data/EmberHollows/saves/12/");
}

TEST_F(SavedGamesTest, AGeneratedUniverseSurvivesSaveAndLoad) {
  save_into(2, "Started today");
  run("saved <- ::universe;");

  Bytes info = read_bytes(slot_file(2, "info")), uni = read_bytes(slot_file(2, "uni"));
  ASSERT_GE(info.size(), 9u);
  EXPECT_EQ(Bytes(info.begin(), info.begin() + 9), (Bytes{0x00, 0x04, 0x11, 0x13, 0x00, 0x04, 0x11, 0x13, 0x06}));
  EXPECT_EQ(Bytes(uni.begin(), uni.begin() + 5), (Bytes{0x00, 0x04, 0x11, 0x13, 0x06}));
  EXPECT_FALSE(std::filesystem::exists(slot_file(2, "info.tmp")));
  EXPECT_FALSE(std::filesystem::exists(slot_file(2, "uni.tmp")));

  release_universe_data();
  cur_game_slot = -1;
  ASSERT_TRUE(load_saved_game(2)) << error();
  EXPECT_EQ(cur_game_slot, 2);
  EXPECT_EQ(worlds.size(), 24);
  EXPECT_TRUE(eval("same(saved, ::universe)").toBool());
  EXPECT_STREQ(cur_game_info.getSlotString("name"), "Started today");
  EXPECT_STREQ(get_saved_game_name(2), "Started today");

  // Saving what was loaded writes the same bytes again.
  ASSERT_TRUE(save_game());
  EXPECT_EQ(read_bytes(slot_file(2, "uni")), uni);
}

// The game's own scripts from the source tree.
class GameScriptsSaveTest : public WorldScriptTest {
 protected:
  void SetUp() override {
    WorldScriptTest::SetUp();
    start_game_scripts();
  }
  void TearDown() override {
    cur_game_slot = -1;
    WorldScriptTest::TearDown();
  }
};

TEST_F(GameScriptsSaveTest, TheGeneratedUniverseSurvivesSaveAndLoad) {
  ASSERT_EQ(error(), "");
  generate_universe();
  ASSERT_EQ(error(), "");
  EXPECT_GE(worlds.size(), 24);
  TempString<260> name = cur_game_info.getSlotString("name");
  ASSERT_TRUE(run(UNIVERSE_SCRIPT));  // same()
  run("saved <- ::universe;");
  cur_game_slot = 0;
  EXPECT_TRUE(save_game()) << error();
  release_universe_data();
  EXPECT_TRUE(load_saved_game(0)) << error();
  EXPECT_TRUE(eval("same(saved, ::universe)").toBool());
  EXPECT_STREQ(get_saved_game_name(0), name);
  EXPECT_EQ(std::string(name.str).rfind("Started ", 0), 0u) << name.str;
}

TEST_F(SavedGamesTest, TheScriptCanSave) {
  make_universe("from script");
  cur_game_slot = 5;
  EXPECT_TRUE(eval("save_game()").toBool());
  EXPECT_STREQ(get_saved_game_name(5), "from script");
}

TEST_F(SavedGamesTest, NoSlotNoSaveNoLoad) {
  make_universe();
  EXPECT_FALSE(save_game());
  EXPECT_EQ(error(), "No slot selected for the saved game");
  EXPECT_FALSE(load_saved_game(-1));
  EXPECT_EQ(error(), "No slot selected for loading the game");
  EXPECT_FALSE(std::filesystem::exists(root + "/data/EmberHollows"));
}

TEST_F(SavedGamesTest, AFailedSaveKeepsThePreviousSave) {
  save_into(1, "first");
  Bytes info = read_bytes(slot_file(1, "info")), uni = read_bytes(slot_file(1, "uni"));

  run("::universe.worlds[3].rule <- function() {};");
  run("info.name = \"second\";");
  EXPECT_FALSE(save_game());
  char expected[128];
  snprintf(expected, sizeof(expected), "Error saving the game:\nunsupported Squirrel data type %X", unsigned(OT_CLOSURE));
  EXPECT_EQ(error(), expected);
  EXPECT_EQ(read_bytes(slot_file(1, "info")), info);
  EXPECT_EQ(read_bytes(slot_file(1, "uni")), uni);
  EXPECT_FALSE(std::filesystem::exists(slot_file(1, "info.tmp")));
  EXPECT_FALSE(std::filesystem::exists(slot_file(1, "uni.tmp")));
  EXPECT_STREQ(get_saved_game_name(1), "first");
}

TEST_F(SavedGamesTest, WithoutAUniverseNothingIsSavedOverTheSlot) {
  save_into(4, "kept");
  Bytes uni = read_bytes(slot_file(4, "uni"));
  release_universe_data();
  EXPECT_FALSE(save_game());
  EXPECT_EQ(error(), "Error saving the game:\nno game to save");
  EXPECT_EQ(read_bytes(slot_file(4, "uni")), uni);
  EXPECT_TRUE(load_saved_game(4)) << error();
}

TEST_F(SavedGamesTest, AnUncreatableFileIsReported) {
  make_universe();
  cur_game_slot = 6;
  // A folder where the temporary file would go.
  std::filesystem::create_directories(slot_file(6, "info.tmp"));
  EXPECT_FALSE(save_game());
  EXPECT_EQ(error(), "Error saving the game:\nCan't create output file");
}

TEST_F(SavedGamesTest, ASlotWithOnlyInfoIsListedButDoesNotLoad) {
  save_into(3, "half");
  std::filesystem::remove(slot_file(3, "uni"));
  EXPECT_STREQ(get_saved_game_name(3), "half");
  EXPECT_FALSE(load_saved_game(3));
  EXPECT_EQ(error(), "Error loading the game:\nCan't open input file");
  EXPECT_EQ(cur_game_slot, -1);
  EXPECT_FALSE(cur_game_info.isNull()) << "the description was loaded before the failure";
  EXPECT_TRUE(universe.isNull());
}

TEST_F(SavedGamesTest, WrongHeaderWordsAreUnsupported) {
  save_into(7, "old");
  Bytes info = read_bytes(slot_file(7, "info"));
  info[5] = 0x05;  // second word
  write_bytes(slot_file(7, "info"), info);
  EXPECT_FALSE(load_saved_game(7));
  EXPECT_EQ(error(), "Error loading the game:\nUnsupported saved game version");
  EXPECT_STREQ(get_saved_game_name(7), "");
}

TEST_F(SavedGamesTest, DamagedUniverseFilesFailWithTheirReason) {
  save_into(8, "damaged");
  Bytes uni = read_bytes(slot_file(8, "uni"));

  write_bytes(slot_file(8, "uni"), Bytes(uni.begin(), uni.begin() + uni.size() / 2));
  EXPECT_FALSE(load_saved_game(8));
  EXPECT_EQ(error().rfind("Error loading the game:\n", 0), 0u);
  EXPECT_NE(error(), "Error loading the game:\n");

  Bytes bad = uni;
  bad[4] = 0x2A;  // type byte of the universe table
  write_bytes(slot_file(8, "uni"), bad);
  EXPECT_FALSE(load_saved_game(8));
  EXPECT_EQ(error(), "Error loading the game:\nunknown Squirrel data type");

  // A universe without worlds.
  write_bytes(slot_file(8, "uni"), Bytes{0x00, 0x04, 0x11, 0x13, 0x06, 0, 0, 0, 0});
  EXPECT_FALSE(load_saved_game(8));
  EXPECT_EQ(error().rfind("Error loading the game:\n", 0), 0u);
  EXPECT_EQ(cur_game_slot, -1);
}

TEST_F(SavedGamesTest, NamesOfMissingOrOddSlotsAreEmpty) {
  EXPECT_STREQ(get_saved_game_name(-1), "");
  EXPECT_STREQ(get_saved_game_name(40), "");
  EXPECT_EQ(error(), "");

  save_into(9, "x");
  run("info.name = 12;");
  ASSERT_TRUE(save_game());
  EXPECT_STREQ(get_saved_game_name(9), "");
  run("info.name = \"" + std::string(400, 'n') + "\";");
  ASSERT_TRUE(save_game());
  EXPECT_EQ(std::string(get_saved_game_name(9).str), std::string(259, 'n'));
  EXPECT_EQ(error(), "");
}

}  // namespace
