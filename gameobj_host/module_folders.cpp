#include "gameobj_host/module_folders.h"
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include "core/debug.h"
#include "core/folder_swap.h"
#include "core/paths.h"
#include "gameobj_host/gameobj_module.h"

GameObjFolders gameobj_folders;

namespace {
namespace fs = std::filesystem;

// The compiler the rebuild script runs: $CXX, else g++, found the way the
// shell finds it.
bool compiler_found() {
  const char* cxx = getenv("CXX");
  if (!cxx || !*cxx) cxx = "g++";
  // $CXX may carry options ("ccache g++"): the program is the first word.
  std::string program(cxx, strcspn(cxx, " \t"));
  if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0;
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = end > start ? dirs.substr(start, end - start) : ".";
    if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// Copies the shipped sources beside the final folder first and renames the
// copy into place, so an interrupted copy is never taken for the modder's.
bool copy_sources(const char* from, const std::string& to) {
  std::string part = to + ".part";
  std::error_code err;
  fs::remove_all(part, err);
  fs::copy(from, part, fs::copy_options::recursive, err);
  if (!err) fs::rename(part, to, err);
  if (err) {
    debug("can't copy the module sources from %s to %s: %s", from, to.c_str(), err.message().c_str());
    fs::remove_all(part, err);
    return false;
  }
  debug("module sources copied to %s", to.c_str());
  return true;
}

void choose_installed_folders() {
  gameobj_folders.shipped = make_full_path(EH_MODULE_FROM_DATA GAMEOBJ_MODULE_FILE);
  // The player's folder, never the install folders.
  FsPath player_folder = make_user_file_path("module/");
  if (!player_folder.str[0] || strlen(player_folder.str) >= size_t(MAX_PATH_LEN)) {
    debug("no data folder for the module sources: the shipped module runs and is not rebuilt");
    return;
  }
  PathString folder(player_folder.str);
  std::string target(folder.c_str(), strlen(folder.c_str()) - 1);  // without the trailing "/"
  std::error_code err;
  if (!fs::exists(target, err)) {
    std::string parent = fs::path(target).parent_path().string();
    if (!create_folders(parent.c_str()) || !copy_sources(make_full_path("compiler/"), target)) return;
  } else if (access(PathString::formatted("%smain.ls", folder.c_str()), R_OK) != 0) {
    debug("%s has no main.ls: the module is not rebuilt", folder.c_str());
  }
  gameobj_folders.sources = folder;
  gameobj_folders.output = folder;
  // The rebuild compiles against the headers installed with the game.
  setenv("GAMEOBJ_ENGINE_DIR", make_full_path("engine"), 0);
}
}  // namespace

void choose_gameobj_folders() {
  gameobj_folders = GameObjFolders{};
  if (app_installed)
    choose_installed_folders();
  else
    gameobj_folders.sources = "../compiler/";
  if (!compiler_found()) {
    const char* text = "editing the module needs a C++ compiler (g++): none was found, so the module is not rebuilt";
    debug("%s", text);
    visual_log("%s", text);
  }
}

PathString gameobj_output_file(const char* name) {
  if (!gameobj_folders.output.str[0]) return make_full_path(name);
  PathString file;
  if (!file.formatWhole("%s%s", gameobj_folders.output.c_str(), name)) debug("path too long: %s", name);
  return file;
}

PathString gameobj_start_file() {
  PathString shipped = gameobj_folders.shipped.str[0] ? gameobj_folders.shipped : make_full_path(GAMEOBJ_MODULE_FILE);
  if (!gameobj_folders.output.str[0]) return shipped;
  PathString rebuilt = gameobj_output_file(GAMEOBJ_MODULE_FILE);
  char exe[MAX_PATH_LEN];
  int64_t rebuilt_time = get_file_time(rebuilt);
  if (rebuilt_time == 0) return shipped;
  if (get_exe_filename(exe, sizeof(exe)) && rebuilt_time < get_file_time(exe)) {
    debug("%s was rebuilt for an earlier version of the game: the shipped module runs", rebuilt.c_str());
    return shipped;
  }
  return rebuilt;
}
