#pragma once
// Loading, binding and reloading the game-object module "gameobj.dll" beside
// the executable. A reload swaps the module while its objects live on: they
// sit in engine-owned lists and get the new module's virtual tables.

#define GAMEOBJ_MODULE_FILE "gameobj.dll"
// A rebuilt module on trial: it becomes "gameobj.dll" once it has run
// cleanly for GAMEOBJ_TRIAL_SECONDS of updates (or until the game closed).
#define GAMEOBJ_TRIAL_MODULE_FILE "gameobj_trial.dll"
// A build that faulted, kept for the modder; never loaded.
#define GAMEOBJ_FAULTED_MODULE_FILE "gameobj_faulted.dll"
// The module the game was built with: the fallback of a start-up module that
// is not it.
#define GAMEOBJ_SHIPPED_MODULE_FILE "gameobj_shipped.dll"

constexpr float GAMEOBJ_TRIAL_SECONDS = 10.f;

// Entries of the module's class table; index 0 is reserved and never matched.
constexpr int GAMEOBJ_CLASS_COUNT = 75;

// The class virtual tables of the module last bound; all null before the
// first bind.
extern void* gameobj_class_vtables[GAMEOBJ_CLASS_COUNT];

// Set by the module to ask for a reload of the current module file; the frame
// loop clears it when it acts on it.
extern bool force_gameobj_reload;

// The two functions every module exports (unmangled names).
extern "C" {
typedef void* (*GetGameObjFuncByName)(const char* name);
typedef void** (*GetGameObjVtables)(int* count);
}

// Start-up: loads and binds the module and scans its sources from
// folder + root (folder relative to the executable's folder, or null).
// A "gameobj_new.dll" not tried yet is preferred (on trial, falling back to
// "gameobj.dll"); else "gameobj.dll" runs, on trial with the shipped module as
// its fallback when it differs from it. Every failure of the module the game
// starts with is fatal.
void load_gameobj_module(const char* folder, const char* root);
// Shutdown: unbinds and frees the module, forgets the sources.
void unload_gameobj_module();
bool is_gameobj_module_loaded();

// Looks up the loaded module's functions, converts the live objects to its
// classes and links its GUI. Any missing piece is fatal.
void bind_gameobj_module();
// Forgets the module's functions and detaches its screens; called before the
// module image is freed.
void unbind_gameobj_module();

// Replaces the module by a rebuilt "gameobj_new.dll" (or, with force, loads
// the running module's file again). The new file is opened and checked before
// the running module is touched: one that fails a check, or whose classes of
// live objects changed their layout, is refused (the running module and its
// file stay, the reason goes to the on-screen error message,
// "gameobj_new.dll" is left for inspection and tried again only when rebuilt
// or at the next start). A swapped-in build runs on trial as
// "gameobj_trial.dll" while the build before it stays mapped. False while a
// rebuild runs or a fault waits, when there is nothing to load, when the
// module was refused, or when the file swap failed after the new module took
// over.
bool reload_gameobj(bool force);

// Once per update (dt) and before each drawn frame (0), where no module code
// runs: recovers from a fault of module code by swapping back to the
// fallback build, the live objects returning to its classes as they are
// (without a fallback the fault has already ended the game), and counts the
// trial of the running build.
void tend_gameobj_module(float dt);
// True while the running build is on trial with a fallback behind it.
bool gameobj_module_on_trial();

// Binds the module's script classes into the world script machine, showing a
// binding error on screen instead of stopping.
void rebind_gameobj_script();
