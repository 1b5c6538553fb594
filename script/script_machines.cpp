#include "script/script_machines.h"
#include "core/debug.h"
#include "script/sq_reloadable_vm.h"
#include "script/sqbind_error.h"

const ScriptMachineRules SCRIPT_MACHINE_RULES[SCRIPT_MACHINE_COUNT] = {
    {"sky.nut", "error creating sky script VM", "error in sky script", false, false, "Error in sky script:\n%s"},
    {"gen/main.nut", "error creating world gen script VM", nullptr, true, true, "Error in world gen script:\n%s"},
    {"sound/sound.nut", "error creating sound script VM", nullptr, true, true, "Error in sound script:\n%s"},
};

struct RegisteredMachine {
  SqReloadableVM* rvm;
  ScriptReloadHooks hooks;
};
static RegisteredMachine registered_machines[SCRIPT_MACHINE_COUNT];

void open_script_machine(SqReloadableVM& rvm, ScriptMachineKind kind) {
  if (!rvm.init(SCRIPT_VM_STACK_SIZE)) fatal("%s", SCRIPT_MACHINE_RULES[kind].createFailure);
}

void run_script_main_file(SqReloadableVM& rvm, ScriptMachineKind kind) {
  const ScriptMachineRules& rules = SCRIPT_MACHINE_RULES[kind];
  bool ok;
  try {
    ok = rvm.include(rules.mainFile);
  } catch (const sqbind::SquirrelError&) {
    if (rules.mainFileFailure) fatal("%s", rules.mainFileFailure);
    throw;
  }
  if (ok) return;
  if (rules.mainFileFailure) fatal("%s", rules.mainFileFailure);
  throw sqbind::script_call_error(rvm.vm);
}

void register_script_machine(ScriptMachineKind kind, SqReloadableVM* rvm, ScriptReloadHooks hooks) {
  registered_machines[kind] = {rvm, hooks};
}

void unregister_script_machine(ScriptMachineKind kind) { registered_machines[kind] = {}; }

static void show_script_error(const char* format, const char* text) {
  TempString<4096> message;
  message.format(format, text);
  set_error_message(message);
}

bool reload_script_machine(ScriptMachineKind kind) {
  const RegisteredMachine& m = registered_machines[kind];
  if (!m.rvm || !m.rvm->vm || !m.rvm->filesChanged()) return false;
  const ScriptMachineRules& rules = SCRIPT_MACHINE_RULES[kind];
  try {
    if (rules.clearErrorOnReload) set_error_message(nullptr);
    if (m.hooks.beforeReload) m.hooks.beforeReload();
    if (!m.rvm->reload(rules.forceReload)) throw sqbind::script_call_error(m.rvm->vm);
    if (m.hooks.afterReload) m.hooks.afterReload();
  } catch (const sqbind::SquirrelError& e) {
    show_script_error(rules.errorFormat, e.desc);
    return false;
  }
  return true;
}

void reload_changed_scripts() {
  for (int kind = 0; kind < SCRIPT_MACHINE_COUNT; kind++) reload_script_machine(ScriptMachineKind(kind));
}
