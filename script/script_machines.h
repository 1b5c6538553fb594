#pragma once
// The engine's three script machines (sky, world, sound): how each is
// created and reloaded. Each machine belongs to the subsystem that uses it;
// the owner opens it here and registers what must be redone after a reload,
// and the frame loop calls reload_changed_scripts once per second.
class SqReloadableVM;

// Also the order of the once-per-second reload checks.
enum ScriptMachineKind { SCRIPT_MACHINE_SKY, SCRIPT_MACHINE_WORLD, SCRIPT_MACHINE_SOUND, SCRIPT_MACHINE_COUNT };

constexpr int SCRIPT_VM_STACK_SIZE = 1024;

struct ScriptMachineRules {
  const char* mainFile;
  const char* createFailure;    // fatal text when the machine can't be opened
  const char* mainFileFailure;  // fatal text when the main file fails at start-up; null: a script error
  bool forceReload;             // every file runs again, not only the changed ones
  bool clearErrorOnReload;      // the on-screen error message is cleared first
  const char* errorFormat;      // shows a script error, "%s" = its text
};

extern const ScriptMachineRules SCRIPT_MACHINE_RULES[SCRIPT_MACHINE_COUNT];

// Opens the machine with the engine's stack size; stops the program when
// that fails.
void open_script_machine(SqReloadableVM& rvm, ScriptMachineKind kind);
// Runs the machine's main file (after the owner has bound what it needs).
// A failure stops the program where the rules say so, otherwise it throws
// the machine's last error as sqbind::SquirrelError.
void run_script_main_file(SqReloadableVM& rvm, ScriptMachineKind kind);

// What the owner redoes around a reload: before it (e.g. drop state built
// from the old script) and after it succeeded (bind the script functions
// again, recompute what depends on them). Either may be null; either may
// throw sqbind::SquirrelError.
struct ScriptReloadHooks {
  void (*beforeReload)();
  void (*afterReload)();
};

void register_script_machine(ScriptMachineKind kind, SqReloadableVM* rvm, ScriptReloadHooks hooks);
void unregister_script_machine(ScriptMachineKind kind);

// When a file of the registered machine changed: reloads it by its rules
// and runs the hooks; a script error is shown with the machine's error
// format. True when a reload ran and succeeded.
bool reload_script_machine(ScriptMachineKind kind);
// The once-per-second check of every registered machine, in the order sky,
// world, sound.
void reload_changed_scripts();
