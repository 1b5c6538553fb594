#include "gameobj_host/gameobj_module.h"
#include <dlfcn.h>
#include <cstdio>
#include <cstring>
#include "core/debug.h"
#include "core/optional_services.h"
#include "core/paths.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_rebuild.h"
#include "gameobj_host/gameobj_sources.h"
#include "gameobj_host/module_terrain_hooks.h"
#include "gameobj_host/module_screens.h"
#include "gameobj_host/object_lists.h"
#include "script/sqbind_error.h"
#include "script/world_script.h"

void* gameobj_class_vtables[GAMEOBJ_CLASS_COUNT] = {};
bool force_gameobj_reload = false;


namespace {

void* module_handle = nullptr;

void open_module() {
    PathString path = make_full_path(GAMEOBJ_MODULE_FILE);
    module_handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!module_handle) {
        debug("%s", dlerror());
        fatal("can't load gameobj.dll");
    }
}

void close_module() {
    if (!module_handle) return;
    unbind_gameobj_module();
    dlclose(module_handle);
    module_handle = nullptr;
    // A module that stays mapped would be handed back by the next load of
    // the same file name instead of the rebuilt one.
    PathString path = make_full_path(GAMEOBJ_MODULE_FILE);
    if (void* still = dlopen(path, RTLD_NOW | RTLD_NOLOAD)) {
        debug("gameobj.dll is still mapped after unloading");
        dlclose(still);
    }
}

void* vtable_of(BaseObject* object) {
    void* vtable;
    memcpy(&vtable, static_cast<void*>(object), sizeof(vtable));
    return vtable;
}

void set_vtable(BaseObject* object, void* vtable) {
    memcpy(static_cast<void*>(object), &vtable, sizeof(vtable));
}

// During a reload an object still carries the virtual table of the module it
// was made by, which may already be unmapped or replaced at the same address:
// its dynamic type cannot be checked, only its header read.
__attribute__((no_sanitize("vptr"))) int& destroy_state_of(BaseObject* object) {
    return object->destroyState;
}

// Gives every listed object the virtual table of its class in the new module.
// An object stands in several lists, so the first visit marks it.
void convert_live_objects(void* const* newTable) {
    for_each_listed_object([newTable](BaseObject* object) {
        if (destroy_state_of(object) & OBJ_CONVERTED_MARK) return;
        destroy_state_of(object) |= OBJ_CONVERTED_MARK;
        void* old = vtable_of(object);
        int i = 1;
        while (i < GAMEOBJ_CLASS_COUNT && gameobj_class_vtables[i] != old) i++;
        // A class the new module no longer has would leave the object without
        // code to run.
        if (i == GAMEOBJ_CLASS_COUNT || !newTable[i]) fatal("cannot find object vtable");
        set_vtable(object, newTable[i]);
    });
    for_each_listed_object([](BaseObject* object) { destroy_state_of(object) &= ~OBJ_CONVERTED_MARK; });
}

void store_function(int index, void* function) {
    memcpy(reinterpret_cast<char*>(&gameobj_functions) + size_t(index) * sizeof(void*), &function, sizeof(function));
}

}  // namespace

bool is_gameobj_module_loaded() { return module_handle != nullptr; }

void bind_gameobj_module() {
    auto byName = reinterpret_cast<GetGameObjFuncByName>(dlsym(module_handle, "get_gameobj_func_by_name"));
    auto vtables = reinterpret_cast<GetGameObjVtables>(dlsym(module_handle, "get_gameobj_vtables"));
    if (!byName || !vtables) fatal("invalid gameobj.dll");

    for (int i = 0; i < GAMEOBJ_FUNCTION_COUNT; i++) {
        void* function = byName(GAMEOBJ_FUNCTION_NAMES[i]);
        if (!function) fatal("no \"%s\" function in gameobj.dll", GAMEOBJ_FUNCTION_NAMES[i]);
        store_function(i, function);
    }

    int count = 0;
    void** newTable = vtables(&count);
    if (count != GAMEOBJ_CLASS_COUNT) fatal("gameobj classes changed, need restart");

    convert_live_objects(newTable);
    memcpy(gameobj_class_vtables, newTable, sizeof(gameobj_class_vtables));

    auto linkGui = reinterpret_cast<void (*)()>(byName("link_gui"));
    if (!linkGui) fatal("no \"%s\" function in gameobj.dll", "link_gui");
    linkGui();
    connect_terrain_to_module();
}

void unbind_gameobj_module() {
    memset(&gameobj_functions, 0, sizeof(gameobj_functions));
    connect_terrain_to_module();
    detach_module_screens();
    if (auto destroy_queued = destroy_queued_gui_elements_service()) destroy_queued();
}

void load_gameobj_module(const char* folder, const char* root) {
    close_module();
    gameobj_sources.erase(0, gameobj_sources.num);
    set_gameobj_source(folder, root);
    open_module();
    bind_gameobj_module();
    scan_gameobj_source(gameobj_root_source);
}

void unload_gameobj_module() {
    close_module();
    gameobj_sources.clear();
}

bool reload_gameobj(bool force) {
    if (poll_gameobj_rebuild()) return false;
    PathString rebuilt = make_full_path(GAMEOBJ_NEW_MODULE_FILE);
    if (get_file_time(rebuilt) == 0 && !force) return false;
    close_module();
    bool ok = true;
    if (!force) {
        // rename replaces the old file in one step, so a missing old file
        // cannot keep the rebuilt one from being used.
        PathString current = make_full_path(GAMEOBJ_MODULE_FILE);
        if (rename(rebuilt, current) != 0) ok = false;
    }
    open_module();
    bind_gameobj_module();
    debug("gameobj reload %s", ok ? "ok" : "failed");
    return ok;
}

void rebind_gameobj_script() {
    HSQUIRRELVM vm = get_world_script_vm();
    if (!gameobj_functions.bind_gameobj || !vm) return;
    try {
        gameobj_functions.bind_gameobj(vm);
    } catch (const sqbind::SquirrelError& e) {
        TempString<1024> text = TempString<1024>::formatted("Error in world gen script:\n%s", e.what());
        set_error_message(text);
    }
}
