#include "script/universe.h"
#include "core/optional_services.h"
#include "script/int_map.h"
#include "script/saved_games.h"
#include "script/sqbind.h"
#include "script/world_generation.h"
#include "script/world_script.h"

sqbind::SqObject universe;
sqbind::SqObject worlds;
sqbind::SqObject cur_game_info;

static void set_root_slot(HSQUIRRELVM vm, const char* name, const sqbind::SqObject& value) {
  sq_pushroottable(vm);
  sq_pushstring(vm, name, -1);
  value.push(vm);
  SQRESULT r = sq_newslot(vm, -3, SQFalse);
  sq_poptop(vm);
  if (SQ_FAILED(r)) throw sqbind::SquirrelError("can't set a root-table slot");
}

void fetch_universe_data() {
  worlds = universe.getSlot("worlds");
  if (HSQUIRRELVM vm = get_world_script_vm()) set_root_slot(vm, "universe", universe);
}

void release_universe_data() {
  if (HSQUIRRELVM vm = get_world_script_vm()) {
    sqbind::SqObject none;
    set_root_slot(vm, "universe", none);
    set_root_slot(vm, "cur_world", none);
  }
  worlds.release();
  universe.release();
  cur_game_info.release();
}

static void switch_mode(GameMode* (*mode)()) {
  auto set_mode = set_game_mode_service();
  if (set_mode && mode) set_mode(mode());
}

void leave_world() {
  if (!universe.isNull()) {
    switch_mode(get_universe_mode_service());
    return;
  }
  if (auto reset_fly = reset_fly_control_service()) reset_fly();
  generate_world("game");
  switch_mode(get_play_mode_service());
}

void bind_universe(HSQUIRRELVM vm) {
  bind_int_map(vm);
  sqbind::bind_func(vm, "make_map_index", &make_map_index);
  sqbind::bind_func(vm, "map_index_x", &map_index_x);
  sqbind::bind_func(vm, "map_index_z", &map_index_z);
  sqbind::bind_func(vm, "save_game", &save_game);
  sqbind::bind_func(vm, "leave_world", &leave_world);
}
