// The game-object module in a world of 200 objects with spells at work: one
// update of the module, and the object pass's submission (instances queued
// and drawn, shadow balls) on the headless GL device. The module is the
// build's own bin/gameobj.dll.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include "app/app_globals.h"
#include "core/paths.h"
#include "effects/common_fx.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/object_lists.h"
#include "gameobj_host/player_base.h"
#include "render/device.h"
#include "render/dyn_vb_writer.h"
#include "render/headless_device.h"
#include "render/render_state.h"
#include "render/scene_view.h"
#include "render/shadows.h"
#include "render/textures.h"
#include "terrain/heightmap_data.h"

namespace {
typedef const char* (*CastSpellByName)(const char* name, float x, float z);
typedef void (*ModuleUpdate)(float dt);
typedef float (*LandHeight)(float x, float z);

constexpr int OBJECTS = 200;

struct ModuleWorld {
  SDL_Window* window = nullptr;
  Texture* target = nullptr;
  CastSpellByName cast = nullptr;
  // The module's own functions, called without the engine's guard.
  ModuleUpdate rawUpdate = nullptr;
  LandHeight rawLandHeight = nullptr;
  int updates = 0;

  ModuleWorld() {
    snprintf(app_path, sizeof(app_path), "%s/", EH_BIN_DIR);
    window = open_headless_device(320, 180, "bench");
    common_vb_writer.init(COMMON_VB_SIZE);
    target = create_render_texture(320, 180, TEXFMT_ARGB8);
    set_render_target(target, 0, false);

    // Rolling soil land with a lake, so trees, water and the fluid spells
    // meet real slopes.
    using namespace HeightmapData;
    reset();
    for (int z = 0; z < 256; z++)
      for (int x = 0; x < 256; x++) {
        int i = cell_index(x, z);
        hmap[i] = target_hmap[i] = 6.f * std::sin(float(x) * 0.049f) * std::cos(float(z) * 0.037f) + 4.f;
        surface[i].ground = GT_SOIL;
        if (hmap[i] < 0.f) water_at(i).amount = -hmap[i] + 0.5f;
      }
    reset_common_fx();
    load_gameobj_module(nullptr, "main.ls");
    void* handle = dlopen((std::string(EH_BIN_DIR) + "/gameobj.dll").c_str(), RTLD_NOW | RTLD_NOLOAD);
    auto lookup = reinterpret_cast<GetGameObjFuncByName>(dlsym(handle, "get_gameobj_func_by_name"));
    cast = reinterpret_cast<CastSpellByName>(lookup("cast_spell_by_name"));
    rawUpdate = reinterpret_cast<ModuleUpdate>(lookup("update_gameobj"));
    rawLandHeight = reinterpret_cast<LandHeight>(lookup("get_land_height"));
    dlclose(handle);
    gameobj_functions.init_gameobj();
    gameobj_functions.add_all_spells();
    gameobj_functions.toggle_mana_cheat();
    local_player->afterWorldRegenerate();
    // Exactly OBJECTS objects: trees go first when there are more.
    for (int i = TreeObject_list.num - 1; i >= 0 && GameObj_list.num - deleted_gameobjs.num > OBJECTS; i--)
      reinterpret_cast<BaseObject*>(TreeObject_list[i])->destroy();
    gameobj_functions.delete_gameobj();
    for (int i = 0; i < 100; i++) update();
  }
  ~ModuleWorld() {
    gameobj_functions.close_gameobj();
    unload_gameobj_module();
    free_fx_ramps();
    common_vb_writer.release();
    release_texture(target);
    close_headless_device(window, true);
  }

  // One update as play mode runs it, with the player casting now and then
  // around the middle of the world (each spell as its cooldown allows);
  // guarded: through the engine's table, as the game calls it.
  void update(bool guarded = true) {
    static const char* const spells[] = {"fireball", "lightning", "water_source", "thunderstorm", "hill", "meteor"};
    updates++;
    if (updates % 5 == 0) {
      float a = float(updates) * 0.37f;
      cast(spells[(updates / 5) % 6], 128.f + 40.f * std::cos(a), 128.f + 40.f * std::sin(a));
    }
    if (guarded)
      gameobj_functions.update_gameobj(0.05f);
    else
      rawUpdate(0.05f);
  }
};

ModuleWorld& world() {
  static ModuleWorld w;
  return w;
}

// Arg 1: through the module call guard, as the game calls it; 0: the
// module's function called directly. Their difference is the guard's cost.
void BM_ModuleUpdate(benchmark::State& state) {
  ModuleWorld& w = world();
  for (auto _ : state) {
    w.update(state.range(0) != 0);
    state.PauseTiming();
    update_common_fx(0.05f);
    HeightmapData::simWater(0.05f);
    state.ResumeTiming();
  }
  state.counters["objects"] = GameObj_list.num;
}
BENCHMARK(BM_ModuleUpdate)->Arg(1)->Arg(0)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The guard on its own: a module function that does little (one land height
// read), guarded (arg 1) and called directly (arg 0).
void BM_ModuleCallGuard(benchmark::State& state) {
  ModuleWorld& w = world();
  LandHeight call = state.range(0) ? gameobj_functions.get_land_height : w.rawLandHeight;
  float x = 0.f, sum = 0.f;
  for (auto _ : state) {
    sum += call(x, 128.f);
    x = x < 255.f ? x + 1.f : 0.f;
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_ModuleCallGuard)->Arg(1)->Arg(0);

// The camera above the middle of the world looking down across it, so most
// objects stand in view.
void look_over_world() {
  float c = std::cos(0.6f), s = std::sin(0.6f);
  Matrix44 itm = {{{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {128, 40, 60, 1}}};
  cur_view_itm = itm;
  set_view_tm(rigid_inverse(itm));
  set_proj_tm(1.29f, 16.f / 9.f, 0.1f, 512.f);
  publish_scene_view();
  load_view_constants();
}

void BM_ModuleRenderObjects(benchmark::State& state) {
  ModuleWorld& w = world();
  look_over_world();
  for (auto _ : state) {
    gameobj_functions.render_gameobj(0.f);
    state.PauseTiming();
    flush_gpu();
    w.update();
    state.ResumeTiming();
  }
  state.counters["objects"] = GameObj_list.num;
}
BENCHMARK(BM_ModuleRenderObjects)->Unit(benchmark::kMicrosecond);

// The module's own share of the object pass: every object queues its
// instances (timed); the engine's renderers then draw them (not timed).
// On the software GL device the draws shade vertices on this thread, which a
// graphics card would do itself.
void BM_ModuleQueueObjects(benchmark::State& state) {
  ModuleWorld& w = world();
  look_over_world();
  for (auto _ : state) {
    for (GameObj* object : GameObj_list)
      if (object->destroyState == 0) object->render(0.f);
    state.PauseTiming();
    gameobj_functions.do_inst_render();
    flush_gpu();
    w.update();
    state.ResumeTiming();
  }
  state.counters["objects"] = GameObj_list.num;
}
BENCHMARK(BM_ModuleQueueObjects)->Unit(benchmark::kMicrosecond);

void BM_ModuleRenderShadows(benchmark::State& state) {
  world();
  look_over_world();
  for (auto _ : state) {
    start_render_shadows();
    gameobj_functions.render_gameobj_shadow(0.f);
  }
  state.counters["objects"] = GameObj_list.num;
}
BENCHMARK(BM_ModuleRenderShadows)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
