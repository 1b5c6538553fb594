#pragma once
// The world machine and the world script: the functions of "gen/main.nut"
// that build worlds and give the current world its rules, reached by the
// game modes and the game-object module through the operations below.
// Each operation shows a script error on screen ("Error in world script:")
// and returns its neutral result; the game goes on.
#include "script/sq_reloadable_vm.h"
#include "script/sqbind_func.h"
#include "script/world_script_init.h"

// Script functions bound by name after every successful load of the
// machine's files; a name the script does not define leaves its handle null.
struct WorldScriptFunctions {
  sqbind::SqFunc<> generate_world;
  sqbind::SqFunc<sqbind::SqObject> generate_universe;
  sqbind::SqFunc<sqbind::SqObject> get_world_tooltip;
  sqbind::SqFunc<sqbind::SqObject> get_world_ctx_menu;
  sqbind::SqFunc<> process_event;
  sqbind::SqFunc<> update_script;
  sqbind::SqFunc<> activate_current_world;
};

extern SqReloadableVM world_script_rvm;
extern WorldScriptFunctions world_script_functions;

// (Re)binds world_script_functions by name from the machine's root table.
void bind_world_functions();

// The world machine; null before init_world_script and after closing.
HSQUIRRELVM get_world_script_vm();

void activate_current_world();
void update_world_script(float dt);
void world_script_event(const sqbind::SqObject& event);
void world_script_str_event(const char* event);
// The script's result, null on any error.
sqbind::SqObject get_world_tooltip(const sqbind::SqObject& object);
sqbind::SqObject get_world_ctx_menu(const sqbind::SqObject& object);
// 1 or 0 by the truthiness of the root-table value name; the default on any
// error (a missing name included).
int get_world_script_bool(const char* name, int def);
// f() for a bound function; def when f is null or fails.
bool call_bool_func(const sqbind::SqFunc<bool>& f, bool def);
