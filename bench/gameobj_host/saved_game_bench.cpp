// Saving and loading a whole slot of a game in a shaped world: the game's
// own scripts build a universe and enter one of its worlds, the module
// populates it, spells shape it (hills, springs, a volcano); then the save
// writes the description with the objects, the universe and the grids into
// a fresh slot folder flushed to the disk, and the load reads and checks
// them back. "bytes" is the slot's size on disk; the reported time is wall
// time, the disk's flushes included. The module is the build's own
// bin/gameobj.dll; the slots go to a temporary data folder.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/debug.h"
#include "core/paths.h"
#include "effects/common_fx.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/object_lists.h"
#include "gameobj_host/player_base.h"
#include "script/saved_games.h"
#include "script/universe.h"
#include "script/world_generation.h"
#include "script/world_script.h"
#include "terrain/heightmap_data.h"

namespace {
typedef const char* (*CastSpellByName)(const char* name, float x, float z);

constexpr int SLOT = 1;

struct ShapedGame {
  std::string data;

  ShapedGame() {
    char folder[] = "/tmp/eh_saved_game_bench_XXXXXX";
    if (mkdtemp(folder)) data = folder;
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    snprintf(app_path, sizeof(app_path), "%s/", EH_BIN_DIR);
    reset_common_fx();
    load_gameobj_module(nullptr, "main.ls");
    init_world_script();
    gameobj_functions.init_gameobj();
    generate_universe();
    // The second world of the universe becomes the current one.
    HSQUIRRELVM vm = get_world_script_vm();
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, "cur_world", -1);
    worlds[1].push(vm);
    sq_newslot(vm, -3, SQFalse);
    sq_settop(vm, top);
    generate_world("game");
    gameobj_functions.add_all_spells();
    gameobj_functions.toggle_mana_cheat();
    CastSpellByName cast = nullptr;
    if (void* module = dlopen((std::string(EH_BIN_DIR) + "/gameobj.dll").c_str(), RTLD_NOW | RTLD_NOLOAD)) {
      auto lookup = reinterpret_cast<GetGameObjFuncByName>(dlsym(module, "get_gameobj_func_by_name"));
      cast = reinterpret_cast<CastSpellByName>(lookup("cast_spell_by_name"));
      dlclose(module);
    }
    __m128 p;
    alignas(16) float at[4];
    _mm_store_ps(at, *local_player->getPos(&p));
    const char* spells[] = {"hill", "water_source", "volcano", "pit", "water_globe", "meteor"};
    for (int i = 0; i < 300; i++) {
      if (cast && i % 50 == 0) cast(spells[i / 50], at[0] + 25.f * float(i / 50 - 2), at[2] + 30.f);
      gameobj_functions.update_gameobj(0.05f);
      HeightmapData::updateHmap(0.05f);
      HeightmapData::simWater(0.05f);
    }
    cur_game_slot = SLOT;
  }
  ~ShapedGame() {
    gameobj_functions.close_gameobj();
    release_universe_data();
    close_world_script();
    unload_gameobj_module();
    free_fx_ramps();
    if (!data.empty()) std::filesystem::remove_all(data);
  }
  uintmax_t slotBytes() const {
    uintmax_t sum = 0;
    for (const char* name : {"info", "uni", "world"}) {
      std::error_code error;
      uintmax_t n = std::filesystem::file_size(saved_game_path(SLOT, name).str, error);
      if (!error) sum += n;
    }
    return sum;
  }
};

ShapedGame& game() {
  static ShapedGame g;
  return g;
}

void BM_SaveShapedGame(benchmark::State& state) {
  ShapedGame& g = game();
  for (auto _ : state)
    if (!save_game()) state.SkipWithError(get_error_message());
  state.counters["bytes"] = double(g.slotBytes());
  state.counters["objects"] = GameObj_list.num;
}
BENCHMARK(BM_SaveShapedGame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadShapedGame(benchmark::State& state) {
  ShapedGame& g = game();
  if (!save_game()) state.SkipWithError(get_error_message());
  for (auto _ : state)
    if (!load_saved_game(SLOT)) state.SkipWithError(get_error_message());
  state.counters["bytes"] = double(g.slotBytes());
}
BENCHMARK(BM_LoadShapedGame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
