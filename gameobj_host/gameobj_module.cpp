#include "gameobj_host/gameobj_module.h"
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include "core/debug.h"
#include "core/optional_services.h"
#include "core/paths.h"
#include "core/streams.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_rebuild.h"
#include "gameobj_host/gameobj_sources.h"
#include "gameobj_host/module_folders.h"
#include "gameobj_host/module_terrain_hooks.h"
#include "gameobj_host/module_screens.h"
#include "gameobj_host/object_lists.h"
#include "gui/gui_behavior.h"
#include "script/sqbind_error.h"
#include "script/world_script.h"

void* gameobj_class_vtables[GAMEOBJ_CLASS_COUNT] = {};
bool force_gameobj_reload = false;


namespace {

// An opened module file. It is loaded through its open descriptor
// ("/proc/self/fd/N"), so each file gets a name of its own: the loader hands
// back an image already loaded under the same name, and the rebuilt file
// later takes the running module's name.
struct ModuleImage {
    void* handle = nullptr;
    int fd = -1;
    GetGameObjFuncByName byName = nullptr;
    void** classTable = nullptr;
    void* functions[GAMEOBJ_FUNCTION_COUNT] = {};
    void (*linkGui)() = nullptr;
};

typedef TempString<256> ModuleError;
static_assert(sizeof(GameObjFunctions) == sizeof(ModuleImage::functions));

ModuleImage running;
// The rebuilt file last tried, so a refused module is not tried again every
// second; a new build is a new file.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    struct timespec modified = {};
    off_t size = 0;
    bool operator==(const FileStamp& o) const {
        return device == o.device && inode == o.inode && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec && size == o.size;
    }
};
FileStamp tried_rebuild;

FileStamp stamp_of(const char* path) {
    struct stat st;
    FileStamp stamp;
    if (stat(path, &st) != 0) return stamp;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.modified = st.st_mtim;
    stamp.size = st.st_size;
    return stamp;
}

bool open_image(const char* file, ModuleImage& image, ModuleError& error) {
    image = ModuleImage{};
    PathString path = make_full_path(file);
    const char* slash = strrchr(file, '/');
    error.format("can't load %s", slash ? slash + 1 : file);
    image.fd = open_data_fd(path);
    if (image.fd < 0) {
        debug("%s: %s", path.c_str(), strerror(errno));
        return false;
    }
    TempString<32> fd_path = TempString<32>::formatted("/proc/self/fd/%d", image.fd);
    image.handle = dlopen(fd_path, RTLD_NOW | RTLD_LOCAL);
    if (!image.handle) {
        debug("%s: %s", path.c_str(), dlerror());
        close(image.fd);
        image.fd = -1;
        return false;
    }
    return true;
}

void close_image(ModuleImage& image) {
    if (!image.handle) return;
    dlclose(image.handle);
    TempString<32> fd_path = TempString<32>::formatted("/proc/self/fd/%d", image.fd);
    if (void* still = dlopen(fd_path, RTLD_NOW | RTLD_NOLOAD)) {
        // Its name must stay unique: the descriptor stays open.
        debug("gameobj.dll is still mapped after unloading");
        dlclose(still);
    } else {
        close(image.fd);
    }
    image = ModuleImage{};
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

// The class index of the object's virtual table in the bound module's table;
// GAMEOBJ_CLASS_COUNT when it has none.
int class_index_of(BaseObject* object) {
    void* vtable = vtable_of(object);
    int i = 1;
    while (i < GAMEOBJ_CLASS_COUNT && gameobj_class_vtables[i] != vtable) i++;
    return i;
}

// True when every live object finds its class in the new table; a class the
// new module no longer has would leave its objects without code to run.
bool every_object_has_a_class(void* const* newTable) {
    bool found = true;
    for_each_listed_object([&](BaseObject* object) {
        int i = class_index_of(object);
        if (i == GAMEOBJ_CLASS_COUNT || !newTable[i]) found = false;
    });
    return found;
}

// Gives every listed object the virtual table of its class in the new module.
// An object stands in several lists, so the first visit marks it.
void convert_live_objects(void* const* newTable) {
    for_each_listed_object([newTable](BaseObject* object) {
        if (destroy_state_of(object) & OBJ_CONVERTED_MARK) return;
        destroy_state_of(object) |= OBJ_CONVERTED_MARK;
        int i = class_index_of(object);
        if (i == GAMEOBJ_CLASS_COUNT || !newTable[i]) fatal("cannot find object vtable");
        set_vtable(object, newTable[i]);
    });
    for_each_listed_object([](BaseObject* object) { destroy_state_of(object) &= ~OBJ_CONVERTED_MARK; });
}

// Everything the bind needs, looked up and checked without touching the
// running module. False with the reason in error.
bool check_image(const char* file, ModuleImage& image, ModuleError& error) {
    image.byName = reinterpret_cast<GetGameObjFuncByName>(dlsym(image.handle, "get_gameobj_func_by_name"));
    auto vtables = reinterpret_cast<GetGameObjVtables>(dlsym(image.handle, "get_gameobj_vtables"));
    if (!image.byName || !vtables) {
        error.format("invalid %s", file);
        return false;
    }
    for (int i = 0; i < GAMEOBJ_FUNCTION_COUNT; i++) {
        image.functions[i] = image.byName(GAMEOBJ_FUNCTION_NAMES[i]);
        if (!image.functions[i]) {
            error.format("no \"%s\" function in %s", GAMEOBJ_FUNCTION_NAMES[i], file);
            return false;
        }
    }
    int count = 0;
    image.classTable = vtables(&count);
    if (count != GAMEOBJ_CLASS_COUNT || !image.classTable) {
        error = "gameobj classes changed, need restart";
        return false;
    }
    image.linkGui = reinterpret_cast<void (*)()>(image.byName("link_gui"));
    if (!image.linkGui) {
        error.format("no \"%s\" function in %s", "link_gui", file);
        return false;
    }
    if (!every_object_has_a_class(image.classTable)) {
        error = "cannot find object vtable";
        return false;
    }
    return true;
}

void bind_image(const ModuleImage& image) {
    memcpy(&gameobj_functions, image.functions, sizeof(gameobj_functions));
    convert_live_objects(image.classTable);
    memcpy(gameobj_class_vtables, image.classTable, sizeof(gameobj_class_vtables));
    image.linkGui();
    connect_terrain_to_module();
}

void close_module() {
    if (!running.handle) return;
    unbind_gameobj_module();
    close_image(running);
}

// Start-up and the forced reload of an unchanged file: nothing runs beside
// it, so any failure stops the program.
void open_and_bind_module() {
    ModuleError error;
    if (!open_image(gameobj_start_file(), running, error)) fatal("%s", error.c_str());
    bind_gameobj_module();
}

// A module that cannot replace the running one: the running one stays, and
// the player sees why.
bool refuse_module(ModuleImage& image, const ModuleError& error) {
    if (image.handle == running.handle) {
        dlclose(image.handle);  // only the extra reference
        close(image.fd);
        image = ModuleImage{};
    } else {
        close_image(image);
    }
    debug("%s", error.c_str());
    set_error_message(error);
    debug("gameobj reload failed");
    return false;
}

}  // namespace

bool is_gameobj_module_loaded() { return running.handle != nullptr; }

void bind_gameobj_module() {
    ModuleError error;
    if (!check_image(GAMEOBJ_MODULE_FILE, running, error)) fatal("%s", error.c_str());
    bind_image(running);
}

void unbind_gameobj_module() {
    memset(&gameobj_functions, 0, sizeof(gameobj_functions));
    connect_terrain_to_module();
    detach_module_screens();
    if (auto destroy_queued = destroy_queued_gui_elements_service()) destroy_queued();
    empty_module_styles();
    // Behaviours the module registered would lead into its unmapped code.
    Dl_info info;
    if (running.byName && dladdr(reinterpret_cast<void*>(running.byName), &info))
        forget_module_behaviors(info.dli_fbase);
}

void load_gameobj_module(const char* folder, const char* root) {
    close_module();
    gameobj_sources.erase(0, gameobj_sources.num);
    set_gameobj_source(folder, root);
    open_and_bind_module();
    scan_gameobj_source(gameobj_root_source);
}

void unload_gameobj_module() {
    close_module();
    gameobj_sources.clear();
}

bool reload_gameobj(bool force) {
    if (poll_gameobj_rebuild()) return false;
    PathString rebuilt = gameobj_output_file(GAMEOBJ_NEW_MODULE_FILE);
    if (!force) {
        if (get_file_time(rebuilt) == 0) return false;
        FileStamp stamp = stamp_of(rebuilt);
        if (stamp == tried_rebuild) return false;
        tried_rebuild = stamp;
    }

    const char* name = force ? GAMEOBJ_MODULE_FILE : GAMEOBJ_NEW_MODULE_FILE;
    PathString file = force ? gameobj_start_file() : rebuilt;
    ModuleImage next;
    ModuleError error;
    if (!open_image(file, next, error) || !check_image(name, next, error)) return refuse_module(next, error);

    if (next.handle == running.handle) {
        // The running file itself (forced): the loader handed back the running
        // image, which already passed these checks; load it afresh.
        dlclose(next.handle);
        close(next.fd);
        close_module();
        open_and_bind_module();
        debug("gameobj reload ok");
        return true;
    }

    unbind_gameobj_module();
    bind_image(next);
    close_image(running);
    running = next;
    // rename replaces the old file in one step, so a missing old file cannot
    // keep the rebuilt one from being used.
    bool ok = force || rename(rebuilt, gameobj_output_file(GAMEOBJ_MODULE_FILE)) == 0;
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
