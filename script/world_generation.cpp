#include "script/world_generation.h"
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cinttypes>
#include <ctime>
#include <cstring>
#include "core/crc32.h"
#include "core/debug.h"
#include "core/ref_time.h"
#include "core/temp_string.h"
#include "script/sq_reloadable_vm.h"
#include "script/script_time_limits.h"
#include "script/sqbind.h"
#include "script/world_gen_bindings.h"
#include "script/saved_games.h"
#include "script/script_hooks.h"
#include "script/world_gen_phase_times.h"
#include "script/universe.h"
#include "core/optional_services.h"
#include "script/world_script.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"

static void show_world_gen_error(const char* text) {
  TempString<4096> message;
  message.format("Error in world gen script:\n%s", text);
  set_error_message(message);
}

// The progress over the last scene, and the start time.
static int64_t begin_generation(const char* text) {
  if (script_hooks.keep_last_scene) script_hooks.keep_last_scene();
  if (script_hooks.show_progress) script_hooks.show_progress(text, -1.0f);
  return get_ref_time();
}

static void silence_event_sounds() {
  if (script_hooks.stop_event_sounds) script_hooks.stop_event_sounds();
}

static uint64_t generated_world_key() {
  using namespace HeightmapData;
  uint64_t key = uint64_t(crc32_of(surface, sizeof(surface))) << 32 | crc32_of(hmap, sizeof(hmap));
  return key ? key : 1;
}

static void log_seed() { debug("game_rnd_seed=%" PRIu64 ";", game_rnd_seed); }

static void run_generate_world(HSQUIRRELVM vm, const char* kind) {
  sqbind::SqFunc<> generate;
  generate.bindRoot(vm, "generate_world");
  if (generate.isNull()) throw sqbind::SquirrelError("No 'generate_world' function in script");
  ScriptTimeLimit limit(vm, script_load_seconds());
  generate(kind);
  sq_collectgarbage(vm);
}

// "world generation phases (processor ms): noise 1.2, ..., script 3.4"
static void log_phase_times(int64_t cpu_ns) {
  char line[512];
  int used = snprintf(line, sizeof line, "world generation phases (processor ms):");
  int64_t in_phases = 0;
  for (int p = 0; p < WG_PHASE_COUNT; p++) {
    used += snprintf(line + used, sizeof line - size_t(used), " %s %.1f,", WORLD_GEN_PHASE_NAMES[p],
                     double(world_gen_phase_cpu_ns[p]) / 1e6);
    in_phases += world_gen_phase_cpu_ns[p];
  }
  snprintf(line + used, sizeof line - size_t(used), " script %.1f", double(cpu_ns - in_phases) / 1e6);
  debug("%s", line);
}

void generate_world_in(HSQUIRRELVM vm, const char* kind) {
  using namespace HeightmapData;
  int64_t start = begin_generation("Generating new world...");
  reset_world_gen_phase_times();
  int64_t cpu_start = thread_cpu_ns();

  if (script_hooks.before_new_world) {
    WorldGenPhaseTimer timer(WG_PHASE_MODULE);
    script_hooks.before_new_world();
  }
  silence_event_sounds();
  reset();

  try {
    log_seed();
    run_generate_world(vm, kind);
    check_generated_heights("generate_world");
  } catch (const sqbind::SquirrelError& e) {
    show_world_gen_error(e.desc);
  }
  // A script that caught a generator's error may still have left heights
  // that are no number; nothing could stand, move or flow on them.
  for (float& h : hmap)
    if (!std::isfinite(h)) h = 0.0f;

  // Nothing may morph or flow from the previous world's state.
  memcpy(target_hmap, hmap, sizeof(hmap));
  memcpy(tmpw, water, sizeof(water));
  // A game world is known by how it was generated; a loaded game's world
  // then comes back as it was saved.
  restore_saved_world(strcmp(kind, "game") == 0 ? generated_world_key() : 0);

  if (auto reset_fx = reset_common_fx_service()) reset_fx();
  if (auto restart_land = restart_land_render_service()) restart_land();
  if (script_hooks.restart_update_clock) script_hooks.restart_update_clock();
  if (script_hooks.after_new_world) {
    WorldGenPhaseTimer timer(WG_PHASE_MODULE);
    script_hooks.after_new_world();
  }
  if (script_hooks.play_enter_world_sound) script_hooks.play_enter_world_sound();

  debug("generated world in %d ms", get_time_msec(get_ref_time() - start));
  log_phase_times(thread_cpu_ns() - cpu_start);
}

void generate_world(const char* kind) {
  if (HSQUIRRELVM vm = get_world_script_vm()) generate_world_in(vm, kind);
}

// "Started <date> <time> in v0.17 DEMO", date and time written the "C"
// locale's way whatever the user's locale is.
static void format_game_name(TempString<260>& name) {
  time_t now = time(nullptr);
  tm local;
  localtime_r(&now, &local);
  locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
  char text[260];
  size_t len = c_locale ? strftime_l(text, sizeof text, "Started %x %X in v0.17 DEMO", &local, c_locale) : 0;
  if (c_locale) freelocale(c_locale);
  name = len ? text : "Started in v0.17 DEMO";
}

// cur_game_info := a new table with the slot "name".
static void make_game_description(HSQUIRRELVM vm) {
  TempString<260> name;
  format_game_name(name);
  sq_newtable(vm);
  sq_pushstring(vm, "name", -1);
  sq_pushstring(vm, name, -1);
  sq_newslot(vm, -3, SQFalse);
  cur_game_info.fromStack(vm, -1);
  sq_poptop(vm);
}

void generate_universe() {
  HSQUIRRELVM vm = get_world_script_vm();
  if (!vm) return;
  int64_t start = begin_generation("Generating new universe...");
  silence_event_sounds();
  release_universe_data();
  try {
    log_seed();
    sqbind::SqFunc<sqbind::SqObject> generate;
    generate.bindRoot(vm, "generate_universe");
    if (generate.isNull()) throw sqbind::SquirrelError("No 'generate_universe' function in script");
    universe = generate();
    make_game_description(vm);
    fetch_universe_data();
    sq_collectgarbage(vm);
  } catch (const sqbind::SquirrelError& e) {
    // No half-made universe (say, one without worlds) is left for the
    // universe screens to trip over.
    release_universe_data();
    show_world_gen_error(e.desc);
  }
  debug("generated universe in %d ms", get_time_msec(get_ref_time() - start));
}

bool open_world_gen_machine(SqReloadableVM& rvm, const char* mainFile) {
  if (!rvm.init(1024)) {
    debug("error creating world gen script VM");
    return false;
  }
  bind_world_gen_ramps(rvm.vm);
  bind_hmap_mask(rvm.vm);
  bind_universe(rvm.vm);
  if (script_hooks.bind_module_functions) script_hooks.bind_module_functions(rvm.vm);
  bind_world_gen_functions(rvm.vm);
  try {
    if (rvm.include(mainFile)) return true;
    debug("Error in world gen script:\n%s", sqbind::SquirrelError(rvm.vm).desc);
  } catch (const sqbind::SquirrelError& e) {
    debug("Error in world gen script:\n%s", e.desc);
  }
  return false;
}
