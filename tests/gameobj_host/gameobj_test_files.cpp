#include "gameobj_test_files.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include "core/paths.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/player_base.h"
#include "terrain/heightmap_data.h"

namespace fs = std::filesystem;

GameObjTestFolder::GameObjTestFolder() : savedAppPath_(app_path) {
    char pattern[] = "/tmp/gameobj_test.XXXXXX";
    const char* made = mkdtemp(pattern);
    EXPECT_NE(made, nullptr);
    root_ = made ? made : "/tmp";
    fs::create_directories(binDir());
    fs::create_directories(sourceDir());
    snprintf(app_path, MAX_PATH_LEN, "%s", binDir().c_str());
}

GameObjTestFolder::~GameObjTestFolder() {
    snprintf(app_path, MAX_PATH_LEN, "%s", savedAppPath_.c_str());
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void GameObjTestFolder::writeSource(const std::string& name, const std::string& text) const {
    fs::path path = sourceDir() + name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

void GameObjTestFolder::setFileTime(const std::string& path, long seconds) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = time(nullptr) + seconds;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

void GameObjTestFolder::copyFile(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

bool GameObjTestFolder::exists(const std::string& path) { return fs::exists(path); }

void load_module_into_soil_world() {
    HeightmapData::reset();
    for (HeightmapData::Surface& s : HeightmapData::surface) s.ground = HeightmapData::GT_SOIL;
    load_gameobj_module("../compiler/", "main.ls");
    gameobj_functions.init_gameobj();
    ASSERT_NE(local_player, nullptr);
    local_player->afterWorldRegenerate();
}
