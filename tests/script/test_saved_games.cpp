#include "script/saved_games.h"
#include "script/world_generation.h"
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>
#include <climits>
#include "terrain/heightmap_data.h"
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
    cur_world_key = 0;
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

// The grids as bytes, to compare what a load puts back.
Bytes grid_bytes() {
  using namespace HeightmapData;
  Bytes b;
  for (auto [p, n] : {std::pair<const void*, size_t>{hmap, sizeof(hmap)}, {target_hmap, sizeof(target_hmap)},
                      {water, sizeof(water)}, {surface, sizeof(surface)}})
    b.insert(b.end(), static_cast<const char*>(p), static_cast<const char*>(p) + n);
  return b;
}

TEST_F(SavedGamesTest, AShapedWorldComesBackToItselfOnly) {
  using namespace HeightmapData;
  reset();
  for (int i = 0; i < HMAP_CELLS; i++) hmap[i] = float(i % 251) * 0.1f, target_hmap[i] = hmap[i];
  for (int z = 100; z < 120; z++)
    for (int x = 100; x < 120; x++) {
      target_hmap[cell_index(x, z)] += 7.f;  // a hill rising
      water_at(cell_index(x + 40, z)) = Water{2.f + float(x) * 0.01f, 0.3f, -0.2f, 0.5f};  // a flood
      water_at(cell_index(x, z + 40)).amount = -1.5f;  // lava
      surface[cell_index(x, z)].color = 0xff202020u + unsigned(x);
      surface[cell_index(x, z)].surf = ST_ASH;
    }
  Bytes shaped = grid_bytes();
  cur_world_key = 77;
  save_into(5, "Shaped");
  Bytes world_file = read_bytes(slot_file(5, "world"));
  EXPECT_LT(world_file.size(), 2u << 20);

  reset();
  ASSERT_TRUE(load_saved_game(5)) << error();
  EXPECT_FALSE(restore_saved_world(78)) << "another world stays as generated";
  EXPECT_FALSE(restore_saved_world(77)) << "only the first world entered after the load may take them";
  EXPECT_NE(grid_bytes(), shaped);

  ASSERT_TRUE(load_saved_game(5)) << error();
  EXPECT_TRUE(restore_saved_world(77));
  EXPECT_EQ(grid_bytes(), shaped);
  EXPECT_EQ(cur_world_key, 77u);

  world_file[world_file.size() / 2] ^= 0x10;
  write_bytes(slot_file(5, "world"), world_file);
  EXPECT_FALSE(load_saved_game(5));
  EXPECT_NE(error().find("the saved world is damaged"), std::string::npos) << error();
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
  // A file where the saves folder would go.
  std::filesystem::create_directories(root + "/data/EmberHollows");
  write_bytes(root + "/data/EmberHollows/saves", Bytes{'x'});
  EXPECT_FALSE(save_game());
  EXPECT_EQ(error(), "Error saving the game:\nCan't create output file");
}

TEST_F(SavedGamesTest, ASlotWithOnlyInfoIsListedButDoesNotLoad) {
  save_into(3, "half");
  std::filesystem::remove(slot_file(3, "uni"));
  EXPECT_STREQ(get_saved_game_name(3), "half");
  EXPECT_FALSE(load_saved_game(3));
  EXPECT_EQ(error(), "Error loading the game:\nCan't open input file");
}

// A damaged slot once dropped the running game's universe: Save was greyed
// out and saving elsewhere did nothing.
TEST_F(SavedGamesTest, AFailedLoadLeavesTheRunningGameAsItWas) {
  save_into(7, "damaged");
  Bytes uni = read_bytes(slot_file(7, "uni"));
  uni[1] = 0x05;
  write_bytes(slot_file(7, "uni"), uni);
  save_into(2, "running");
  run("before <- ::universe;");

  EXPECT_FALSE(load_saved_game(7));
  EXPECT_EQ(error(), "Error loading the game:\nUnsupported saved game version");
  EXPECT_EQ(cur_game_slot, 2);
  EXPECT_TRUE(eval("before == ::universe").toBool());
  EXPECT_EQ(universe.type(), OT_TABLE);
  EXPECT_EQ(worlds.size(), 24);
  EXPECT_STREQ(cur_game_info.getSlotString("name"), "running");

  cur_game_slot = 5;
  ASSERT_TRUE(save_game()) << error();
  EXPECT_STREQ(get_saved_game_name(5), "running");
}

// A player who keeps a slot elsewhere links its folder: replacing the link
// once deleted everything in the linked folder and broke the slot for good.
TEST_F(SavedGamesTest, ALinkedSlotIsRefusedAndNothingOutsideIsTouched) {
  namespace fs = std::filesystem;
  std::string saves = root + "/data/EmberHollows/saves/", elsewhere = root + "/elsewhere";
  save_into(1, "linked");
  fs::rename(saves + "1", elsewhere);
  write_bytes(elsewhere + "/notes.txt", Bytes{'m', 'i', 'n', 'e'});
  fs::create_directory_symlink(elsewhere, saves + "1");
  Bytes uni = read_bytes(elsewhere + "/uni");

  EXPECT_STREQ(get_saved_game_name(1), "linked");
  cur_game_slot = 1;
  EXPECT_FALSE(save_game());
  EXPECT_EQ(error().rfind("Error saving the game:\nThe slot's folder is a link", 0), 0u) << error();
  EXPECT_TRUE(fs::is_symlink(saves + "1"));
  EXPECT_EQ(read_bytes(elsewhere + "/notes.txt"), (Bytes{'m', 'i', 'n', 'e'}));
  EXPECT_EQ(read_bytes(elsewhere + "/uni"), uni);
  EXPECT_FALSE(fs::exists(fs::symlink_status(saves + "1.new")));
  ASSERT_TRUE(load_saved_game(1)) << error();

  // What the old swap left behind: a fresh or old folder that is a link is
  // removed as a link, whatever it points at.
  fs::remove(saves + "1");
  fs::create_directory_symlink(elsewhere, saves + "1.new");
  fs::create_directory_symlink(elsewhere, saves + "1.old");
  ASSERT_TRUE(save_game()) << error();
  EXPECT_STREQ(get_saved_game_name(1), "linked");
  EXPECT_FALSE(fs::is_symlink(saves + "1"));
  for (const char* left : {"1.new", "1.old"}) EXPECT_FALSE(fs::exists(fs::symlink_status(saves + left))) << left;
  EXPECT_EQ(read_bytes(elsewhere + "/notes.txt"), (Bytes{'m', 'i', 'n', 'e'}));
  EXPECT_EQ(read_bytes(elsewhere + "/uni"), uni);
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
  EXPECT_EQ(error(), "Error loading the game:\nthe saved game is damaged");
  bad.resize(bad.size() - 8);  // a file from before the check trailer
  write_bytes(slot_file(8, "uni"), bad);
  EXPECT_FALSE(load_saved_game(8));
  EXPECT_EQ(error(), "Error loading the game:\nunknown Squirrel data type");

  // A universe without worlds.
  write_bytes(slot_file(8, "uni"), Bytes{0x00, 0x04, 0x11, 0x13, 0x06, 0, 0, 0, 0});
  EXPECT_FALSE(load_saved_game(8));
  EXPECT_EQ(error().rfind("Error loading the game:\n", 0), 0u);
  EXPECT_EQ(cur_game_slot, 8);
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

TEST_F(SavedGamesTest, LongDataFoldersWorkAndFoldersAreCreatedOnTheWay) {
  // 233 to 249 characters once cut a temporary name onto the real one; longer
  // ones stopped the game.
  for (size_t length : {234u, 245u, 300u}) {
    std::string data = root + "/fresh";
    while (data.size() + 1 < length) data.append(1, '/').append(std::min<size_t>(40, length - data.size() - 1), 'd');
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    save_into(2, "long " + std::to_string(length));
    release_universe_data();
    ASSERT_TRUE(load_saved_game(2)) << length << error();
    EXPECT_STREQ(cur_game_info.getSlotString("name"), ("long " + std::to_string(length)).c_str());
    EXPECT_TRUE(std::filesystem::exists(data + "/EmberHollows/saves/2/uni"));
  }
  std::string tooLong = root + "/" + std::string(PATH_MAX, 'd');
  setenv("XDG_DATA_HOME", tooLong.c_str(), 1);
  EXPECT_FALSE(save_game());
  EXPECT_EQ(error(), "Error saving the game:\nCan't create output file");
}

TEST_F(SavedGamesTest, SingleBitFlipsAreReportedAndOldFilesStillLoad) {
  save_into(3, "flip");
  for (const char* name : {"info", "uni"}) {
    Bytes good = read_bytes(slot_file(3, name));
    int loaded = 0;
    const size_t bits = good.size() * 8, stride = bits / 150 + 1;  // about 150 flips spread over the file
    for (size_t bit = 0; bit < bits; bit += stride) {
      Bytes bad = good;
      bad[bit / 8] = char(bad[bit / 8] ^ (1 << (bit % 8)));
      write_bytes(slot_file(3, name), bad);
      loaded += load_saved_game(3);
    }
    EXPECT_EQ(loaded, 0) << name;
    write_bytes(slot_file(3, name), Bytes(good.begin(), good.end() - 8));  // no check trailer
    EXPECT_TRUE(load_saved_game(3)) << error();
    write_bytes(slot_file(3, name), good);
  }
}

TEST_F(SavedGamesTest, DataOfTheWrongShapeDoesNotLoad) {
  for (const char* change : {"::universe.worlds = 5;", "::universe = [1, 2];", "info = 5;"}) {
    save_into(4, "shape");
    ASSERT_TRUE(run(change)) << change;
    universe = global("universe");
    cur_game_info = global("info");
    ASSERT_TRUE(save_game()) << error();
    EXPECT_FALSE(load_saved_game(4)) << change;
    EXPECT_EQ(error().rfind("Error loading the game:\n", 0), 0u) << error();
    EXPECT_EQ(cur_game_slot, 4);
  }
}

// The states a crash can leave between the two renames that replace a slot
// on a file system without folder exchange; each loads as one whole game.
TEST_F(SavedGamesTest, AHalfReplacedSlotIsRepairedToOneWholeGame) {
  namespace fs = std::filesystem;
  std::string saves = root + "/data/EmberHollows/saves/";
  save_into(5, "old");
  fs::copy(saves + "5", saves + "old pair");
  save_into(5, "new");
  fs::copy(saves + "5", saves + "new pair");
  struct State {
    const char* slot;
    const char* fresh;
    const char* old;
    bool marker;
    const char* loads;
  } states[] = {
      {"old pair", "new pair", nullptr, true, "new"},      // before the first rename
      {nullptr, "new pair", "old pair", true, "new"},      // between the renames
      {"new pair", nullptr, "old pair", true, "new"},      // before the old one is removed
      {"old pair", "new pair", nullptr, false, "old"},     // the fresh pair never announced
      {"new pair", "old pair", nullptr, false, "new"},     // an exchange before cleaning up
  };
  for (const State& st : states) {
    for (const char* folder : {"5", "5.new", "5.old"}) fs::remove_all(saves + folder);
    fs::remove(saves + "5.swap");
    if (st.slot) fs::copy(saves + st.slot, saves + "5");
    if (st.fresh) fs::copy(saves + st.fresh, saves + "5.new");
    if (st.old) fs::copy(saves + st.old, saves + "5.old");
    if (st.marker) write_bytes(saves + "5.swap", Bytes{});
    EXPECT_STREQ(get_saved_game_name(5), st.loads);
    ASSERT_TRUE(load_saved_game(5)) << error();
    EXPECT_STREQ(cur_game_info.getSlotString("name"), st.loads);
    for (const char* left : {"5.new", "5.old", "5.swap"}) EXPECT_FALSE(fs::exists(saves + left)) << left;
  }
}

}  // namespace
