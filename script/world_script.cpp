#include "script/world_script.h"
#include "core/debug.h"
#include "core/temp_string.h"
#include "core/optional_services.h"
#include "script/script_hooks.h"
#include "script/script_machines.h"
#include "script/sqbind.h"
#include "script/universe.h"
#include "script/world_gen_bindings.h"
#include "script/world_generation.h"

SqReloadableVM world_script_rvm;
WorldScriptFunctions world_script_functions;

HSQUIRRELVM get_world_script_vm() { return world_script_rvm.vm; }

static void show_error(const char* format, const char* text) {
  TempString<4096> message;
  message.format(format, text);
  set_error_message(message);
}

static void show_world_script_error(const sqbind::SquirrelError& e) { show_error("Error in world script:\n%s", e.desc); }

void bind_world_functions() {
  HSQUIRRELVM vm = get_world_script_vm();
  WorldScriptFunctions& f = world_script_functions;
  f.generate_world.bindRoot(vm, "generate_world");
  f.generate_universe.bindRoot(vm, "generate_universe");
  f.get_world_tooltip.bindRoot(vm, "get_world_tooltip");
  f.get_world_ctx_menu.bindRoot(vm, "get_world_ctx_menu");
  f.process_event.bindRoot(vm, "process_event");
  f.update_script.bindRoot(vm, "update_script");
  f.activate_current_world.bindRoot(vm, "activate_current_world");
}

static void release_world_functions() {
  WorldScriptFunctions& f = world_script_functions;
  f.generate_world.release();
  f.generate_universe.release();
  f.get_world_tooltip.release();
  f.get_world_ctx_menu.release();
  f.process_event.release();
  f.update_script.release();
  f.activate_current_world.release();
}

static bool in_universe_mode() { return script_hooks.in_universe_screen && script_hooks.in_universe_screen(); }

// After the world machine's files ran again: new handles, then the world or
// the universe built by the new script.
static void after_world_reload() {
  bind_world_functions();
  if (in_universe_mode()) {
    generate_universe();
    if (auto refresh = refresh_universe_screen_service()) refresh();
  } else {
    generate_world("game");
  }
}

void init_world_script() {
  open_script_machine(world_script_rvm, SCRIPT_MACHINE_WORLD);
  HSQUIRRELVM vm = get_world_script_vm();
  bind_world_gen_ramps(vm);
  bind_hmap_mask(vm);
  bind_universe(vm);
  if (script_hooks.bind_module_functions) script_hooks.bind_module_functions(vm);
  bind_world_gen_functions(vm);
  try {
    run_script_main_file(world_script_rvm, SCRIPT_MACHINE_WORLD);
  } catch (const sqbind::SquirrelError& e) {
    show_error(SCRIPT_MACHINE_RULES[SCRIPT_MACHINE_WORLD].errorFormat, e.desc);
  }
  bind_world_functions();
  register_script_machine(SCRIPT_MACHINE_WORLD, &world_script_rvm, {nullptr, after_world_reload});
}

void close_world_script() {
  unregister_script_machine(SCRIPT_MACHINE_WORLD);
  release_universe_data();
  release_world_functions();
  world_script_rvm.close();
  // A machine made again later starts from its main file alone.
  world_script_rvm.files.clear();
}

void activate_current_world() {
  try {
    if (!world_script_functions.activate_current_world.isNull()) world_script_functions.activate_current_world();
  } catch (const sqbind::SquirrelError& e) {
    show_world_script_error(e);
  }
}

void update_world_script(float dt) {
  try {
    if (!world_script_functions.update_script.isNull()) world_script_functions.update_script(dt);
  } catch (const sqbind::SquirrelError& e) {
    show_world_script_error(e);
  }
}

template <class Event>
static void send_event(const Event& event) {
  try {
    const sqbind::SqFunc<>& f = world_script_functions.process_event;
    if (f.isNull()) throw sqbind::SquirrelError("No 'process_event' function in script");
    f(event);
  } catch (const sqbind::SquirrelError& e) {
    show_world_script_error(e);
  }
}

void world_script_event(const sqbind::SqObject& event) { send_event(event); }
void world_script_str_event(const char* event) { send_event(event); }

static sqbind::SqObject ask_object(const sqbind::SqFunc<sqbind::SqObject>& f, const char* missing,
                                   const sqbind::SqObject& object) {
  try {
    if (f.isNull()) throw sqbind::SquirrelError(missing);
    return f(object);
  } catch (const sqbind::SquirrelError& e) {
    show_world_script_error(e);
  }
  return sqbind::SqObject();
}

sqbind::SqObject get_world_tooltip(const sqbind::SqObject& object) {
  return ask_object(world_script_functions.get_world_tooltip, "No 'get_world_tooltip' function in script", object);
}

sqbind::SqObject get_world_ctx_menu(const sqbind::SqObject& object) {
  return ask_object(world_script_functions.get_world_ctx_menu, "No 'get_world_ctx_menu' function in script", object);
}

int get_world_script_bool(const char* name, int def) {
  try {
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm) throw sqbind::SquirrelError("no world script");
    return sqbind::getGlobal(vm, name) ? 1 : 0;
  } catch (const sqbind::SquirrelError& e) {
    show_world_script_error(e);
  }
  return def;
}

bool call_bool_func(const sqbind::SqFunc<bool>& f, bool def) {
  if (f.isNull()) return def;
  try {
    return f();
  } catch (const sqbind::SquirrelError& e) {
    show_world_script_error(e);
  }
  return def;
}
