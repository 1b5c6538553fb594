#pragma once
// Loading, binding and reloading the game-object module "gameobj.dll" beside
// the executable. A reload swaps the module while its objects live on: they
// sit in engine-owned lists and get the new module's virtual tables.

#define GAMEOBJ_MODULE_FILE "gameobj.dll"

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
// Every failure is fatal.
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
// the present "gameobj.dll" again). The new file is opened and checked before
// the running module is touched: one that fails a check is refused (the
// running module and its file stay, the reason goes to the on-screen error
// message, "gameobj_new.dll" is left for inspection and tried again only
// when rebuilt). False while a rebuild runs, when there is nothing to load,
// when the module was refused, or when the file swap failed after the new
// module took over.
bool reload_gameobj(bool force);

// Binds the module's script classes into the world script machine, showing a
// binding error on screen instead of stopping.
void rebind_gameobj_script();
