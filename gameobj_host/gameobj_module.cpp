#include "gameobj_host/gameobj_module.h"
#include <dlfcn.h>
#include <link.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <typeinfo>
#include "core/debug.h"
#include "core/optional_services.h"
#include "core/paths.h"
#include "core/streams.h"
#include "gameobj_host/gameobj_functions.h"
#include "gameobj_host/gameobj_rebuild.h"
#include "gameobj_host/gameobj_sources.h"
#include "gameobj_host/module_call_guard.h"
#include "gameobj_host/module_class_layouts.h"
#include "gameobj_host/module_script_natives.h"
#include "gameobj_host/module_folders.h"
#include "gameobj_host/module_hooks.h"
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
    const char* file = nullptr;  // the name its file has now, beside the executable
    GetGameObjFuncByName byName = nullptr;
    void** classTable = nullptr;
    void* functions[GAMEOBJ_FUNCTION_COUNT] = {};
    void (*linkGui)() = nullptr;
    ModuleClassLayouts layouts;
    const void* codeBegin = nullptr;  // its executable segments
    const void* codeEnd = nullptr;
};

typedef TempString<256> ModuleError;
static_assert(sizeof(GameObjFunctions) == sizeof(ModuleImage::functions));

ModuleImage running;
// The build to go back to while the running one is on trial: kept mapped, so
// its classes' virtual tables stay valid for the live objects' return.
ModuleImage fallback;
// Seconds of updates the running build has run without a fault on trial.
float trial_seconds = 0.f;

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

// Module files live in the output folder (beside the game in the build
// tree, the player's module folder when installed); until a rebuild put one
// there, the game starts with the module it shipped with.
PathString module_path(const char* file) {
  // An installed game's shipped module stays where it was installed.
  if (strcmp(file, GAMEOBJ_SHIPPED_MODULE_FILE) == 0 && gameobj_folders.shipped.str[0]) return gameobj_folders.shipped;
  // The start module: one rebuilt by the player only when it is not older
  // than the game (a module rebuilt for an earlier version is not trusted).
  if (strcmp(file, GAMEOBJ_MODULE_FILE) == 0) return gameobj_start_file();
  return gameobj_output_file(file);
}

bool file_exists(const char* file) { return access(module_path(file), F_OK) == 0; }

// The span of the image's executable segments, for the module call guard.
void find_code_range(ModuleImage& image) {
    struct link_map* map = nullptr;
    if (dlinfo(image.handle, RTLD_DI_LINKMAP, &map) != 0 || !map) return;
    struct Search {
        ElfW(Addr) base;
        uintptr_t begin, end;
    } search = {map->l_addr, UINTPTR_MAX, 0};
    dl_iterate_phdr(
        [](struct dl_phdr_info* info, size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            if (info->dlpi_addr != s->base) return 0;
            for (int i = 0; i < info->dlpi_phnum; i++) {
                const ElfW(Phdr)& segment = info->dlpi_phdr[i];
                if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X)) continue;
                uintptr_t at = info->dlpi_addr + segment.p_vaddr;
                if (at < s->begin) s->begin = at;
                if (at + segment.p_memsz > s->end) s->end = at + segment.p_memsz;
            }
            return 1;
        },
        &search);
    if (search.begin >= search.end) return;
    image.codeBegin = reinterpret_cast<const void*>(search.begin);
    image.codeEnd = reinterpret_cast<const void*>(search.end);
}

bool open_image(const char* file, ModuleImage& image, ModuleError& error) {
    image = ModuleImage{};
    PathString path = module_path(file);
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
    image.file = file;
    image.layouts = read_module_class_layouts(image.fd);
    find_code_range(image);
    add_module_code_range(image.codeBegin, image.codeEnd);
    return true;
}

void close_image(ModuleImage& image) {
    if (!image.handle) return;
    remove_module_code_range(image.codeBegin);
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


bool same_content(int a, int b) {
    struct stat sa, sb;
    if (fstat(a, &sa) != 0 || fstat(b, &sb) != 0 || sa.st_size != sb.st_size) return false;
    char ba[65536], bb[65536];
    for (off_t at = 0; at < sa.st_size;) {
        ssize_t n = pread(a, ba, sizeof(ba), at);
        if (n <= 0 || pread(b, bb, size_t(n), at) != n || memcmp(ba, bb, size_t(n)) != 0) return false;
        at += n;
    }
    return true;
}

// Writes the content of the open file as `to` in one step.
bool copy_module_file(int fd, const char* to) {
    PathString target = gameobj_output_file(to);
    PathString part = PathString::formatted("%s.part", target.c_str());
    int out = open(part, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
    if (out < 0) return false;
    char buffer[65536];
    bool ok = true;
    for (off_t at = 0;;) {
        ssize_t n = pread(fd, buffer, sizeof(buffer), at);
        if (n == 0) break;
        if (n < 0 || write(out, buffer, size_t(n)) != n) {
            ok = false;
            break;
        }
        at += n;
    }
    ok = fsync(out) == 0 && ok;
    close(out);
    if (!ok || rename(part, target) != 0) {
        unlink(part);
        return false;
    }
    return true;
}

bool rename_module_file(const char* from, const char* to) {
    if (rename(module_path(from), gameobj_output_file(to)) == 0) return true;
    debug("can't rename %s to %s: %s", from, to, strerror(errno));
    return false;
}

void* vtable_of(BaseObject* object) {
    void* vtable;
    memcpy(&vtable, static_cast<void*>(object), sizeof(vtable));
    return vtable;
}

void set_vtable(BaseObject* object, void* vtable) {
    memcpy(static_cast<void*>(object), &vtable, sizeof(vtable));
}

// The name of the object's class, from the type information its virtual
// table leads to (the object's module must still be mapped).
TempString<64> class_name_of(BaseObject* object) {
    TempString<64> name = "?";
    auto vtable = static_cast<const std::type_info* const*>(vtable_of(object));
    const std::type_info* type = vtable[-1];
    if (!type) return name;
    char* plain = abi::__cxa_demangle(type->name(), nullptr, nullptr, nullptr);
    name = plain ? plain : type->name();
    free(plain);
    return name;
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

// True, with the class named in error, when a live object's class has
// another size, alignment or placing of its members in `to` than in `from`,
// the module its objects run now: the new code would read the old object's
// memory with another layout. What a build does not record is not compared.
bool live_class_changed_layout(const ModuleImage& from, const ModuleImage& to, ModuleError& error) {
    bool changed = false;
    for_each_listed_object([&](BaseObject* object) {
        if (changed) return;
        TempString<64> name = class_name_of(object);
        const GameObjClassLayout* was = find_class_layout(from.layouts, name);
        const GameObjClassLayout* now = find_class_layout(to.layouts, name);
        if (was && now && (was->size != now->size || was->align != now->align)) {
            changed = true;
            error.format("class %s changed its layout (%u to %u bytes) while objects of it are alive", name.c_str(),
                         was->size, now->size);
            return;
        }
        std::string_view wasMembers = find_class_members(from.layouts, name);
        std::string_view nowMembers = find_class_members(to.layouts, name);
        if (wasMembers.empty() || nowMembers.empty() || wasMembers == nowMembers) return;
        changed = true;
        error.format("class %s changed its layout (%s) while objects of it are alive", name.c_str(),
                     describe_member_change(wasMembers, nowMembers).c_str());
    });
    return changed;
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
    set_gameobj_function_entries(image.functions);
    convert_live_objects(image.classTable);
    memcpy(gameobj_class_vtables, image.classTable, sizeof(gameobj_class_vtables));
    run_module_code("link_gui", image.linkGui);
    connect_lower_layers_to_module();
}

void close_module() {
    if (running.handle) {
        unbind_gameobj_module();
        close_image(running);
    }
    close_image(fallback);
}

// Start-up and the forced reload of an unchanged file: nothing runs beside
// it, so any failure stops the program.
void open_and_bind_module(const char* file) {
    ModuleError error;
    if (!open_image(file, running, error)) fatal("%s", error.c_str());
    bind_gameobj_module();
}

void release_image(ModuleImage& image) {
    if (image.handle == running.handle) {
        dlclose(image.handle);  // only the extra reference; the code stays registered
        close(image.fd);
        image = ModuleImage{};
    } else {
        close_image(image);
    }
}

// A module that cannot replace the running one: the running one stays, and
// the player sees why.
bool refuse_module(ModuleImage& image, const ModuleError& error) {
    release_image(image);
    debug("%s", error.c_str());
    set_error_message(error);
    debug("gameobj reload failed");
    return false;
}

// Shows a text of several lines in the error band and the visual log, whose
// long lines are wrapped at a blank.
void show_module_message(const char* text) {
    set_error_message(text);
    constexpr int WIDTH = VISUAL_LOG_LINE_SIZE - 1;
    for (const char* line = text; *line;) {
        const char* end = strchr(line, '\n');
        int n = end ? int(end - line) : int(strlen(line));
        int take = n;
        if (n > WIDTH) {
            take = WIDTH;
            while (take > WIDTH / 2 && line[take] != ' ') take--;
            if (line[take] != ' ') take = WIDTH;
        }
        visual_log("%.*s", take, line);
        line += take;
        if (take < n && *line == ' ') line++;
        else if (take == n && end) line++;
    }
}

// The running build passed its trial: its file becomes the one the game
// starts with, and the build before it is let go.
void accept_trial(const char* how) {
    if (strcmp(running.file, GAMEOBJ_MODULE_FILE) != 0 && rename_module_file(running.file, GAMEOBJ_MODULE_FILE))
        running.file = GAMEOBJ_MODULE_FILE;
    debug("gameobj build %s: %s is the module the game starts with", how, running.file);
    close_image(fallback);
}

// Moves the faulted build's file aside, so that the game never starts with
// it; when it was the start-up module, the shipped one takes its place.
const char* set_faulted_build_aside() {
    if (!running.file || !rename_module_file(running.file, GAMEOBJ_FAULTED_MODULE_FILE)) return running.file;
    if (strcmp(running.file, GAMEOBJ_MODULE_FILE) == 0 && !copy_module_file(fallback.fd, GAMEOBJ_MODULE_FILE))
        debug("can't put %s back as %s", fallback.file, GAMEOBJ_MODULE_FILE);
    return GAMEOBJ_FAULTED_MODULE_FILE;
}

// Set while the game ends over a fault: no build is accepted then.
bool stopping_after_fault = false;

// Ends the game over a fault it cannot recover from.
[[noreturn]] void stop_after_fault(const char* why) {
    stopping_after_fault = true;
    TempString<1024> text = TempString<1024>::formatted("%s\n%s", module_fault_message(), why);
    // The shutdown runs module code again, under the guard.
    clear_module_fault();
    fatal("%s", text.c_str());
}

void on_module_fault() {
    if (!fallback.handle) stop_after_fault("There is no earlier build of the module to go back to.");
}

// Swaps back to the fallback build after a fault of the running one: the
// live objects return to the fallback's classes as they are now.
void roll_back() {
    ModuleError error;
    if (live_class_changed_layout(running, fallback, error) || !every_object_has_a_class(fallback.classTable)) {
        set_faulted_build_aside();
        if (error.c_str()[0] == 0) error = "the earlier build lacks a class of a live object";
        TempString<512> why =
            TempString<512>::formatted("Can't go back to the earlier build: %s. The next start uses it.", error.c_str());
        stop_after_fault(why);
    }
    bool startup = strcmp(running.file, GAMEOBJ_MODULE_FILE) == 0;
    const char* kept = set_faulted_build_aside();
    TempString<1024> text = TempString<1024>::formatted(
        "%s\nThe game went back to the %s; %s is kept for you and not loaded again until its sources change.",
        module_fault_message(), startup ? "shipped module" : "previous build", kept ? kept : "the faulted build");
    // The faulted build's screens are detached under the guard again.
    clear_module_fault();
    unbind_gameobj_module();
    ModuleImage faulted = running;
    running = fallback;
    fallback = ModuleImage{};
    if (startup) running.file = GAMEOBJ_MODULE_FILE;
    bind_image(running);
    close_image(faulted);
    trial_seconds = 0.f;
    rebind_gameobj_script();
    show_module_message(text);
    debug("gameobj rolled back");
}

void install_guard() {
    install_module_call_guard();
    guard_module_script_natives();
    set_module_fault_hook(&on_module_fault);
}

// Start-up with a build the game has not tried yet (rebuilt while it was
// closed, or refused by a swap): it runs on trial with the module file as
// its fallback. False when it cannot be used.
bool start_with_new_build() {
    if (!file_exists(GAMEOBJ_NEW_MODULE_FILE)) return false;
    ModuleImage next, previous;
    ModuleError error;
    if (!open_image(GAMEOBJ_NEW_MODULE_FILE, next, error) || !check_image(GAMEOBJ_NEW_MODULE_FILE, next, error)) {
        tried_rebuild = stamp_of(module_path(GAMEOBJ_NEW_MODULE_FILE));
        refuse_module(next, error);
        return false;
    }
    if (open_image(GAMEOBJ_MODULE_FILE, previous, error) && check_image(GAMEOBJ_MODULE_FILE, previous, error))
        fallback = previous;
    else
        release_image(previous);
    if (rename_module_file(GAMEOBJ_NEW_MODULE_FILE, GAMEOBJ_TRIAL_MODULE_FILE)) next.file = GAMEOBJ_TRIAL_MODULE_FILE;
    running = next;
    bind_image(running);
    debug("gameobj starts with the new build %s", running.file);
    return true;
}

// A start-up module that is not the shipped one runs on trial, with the
// shipped one as its fallback.
void keep_shipped_module_as_fallback() {
    if (!file_exists(GAMEOBJ_SHIPPED_MODULE_FILE)) return;
    ModuleImage shipped;
    ModuleError error;
    if (open_image(GAMEOBJ_SHIPPED_MODULE_FILE, shipped, error) && !same_content(shipped.fd, running.fd) &&
        check_image(GAMEOBJ_SHIPPED_MODULE_FILE, shipped, error))
        fallback = shipped;
    else
        release_image(shipped);
}

}  // namespace

bool is_gameobj_module_loaded() { return running.handle != nullptr; }

void bind_gameobj_module() {
    ModuleError error;
    if (!check_image(running.file, running, error)) fatal("%s", error.c_str());
    bind_image(running);
}

void unbind_gameobj_module() {
    set_gameobj_function_entries(nullptr);
    connect_lower_layers_to_module();
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
    install_guard();
    gameobj_sources.erase(0, gameobj_sources.num);
    set_gameobj_source(folder, root);
    trial_seconds = 0.f;
    if (!start_with_new_build()) {
        open_and_bind_module(GAMEOBJ_MODULE_FILE);
        keep_shipped_module_as_fallback();
    }
    scan_gameobj_source(gameobj_root_source);
}

void unload_gameobj_module() {
    // A build on trial that ran cleanly until the game closed is kept.
    if (fallback.handle && !module_fault_pending() && !stopping_after_fault) accept_trial("ran cleanly until the module was unloaded");
    close_module();
    gameobj_sources.clear();
}

bool reload_gameobj(bool force) {
    if (poll_gameobj_rebuild() || module_fault_pending()) return false;
    PathString rebuilt = module_path(GAMEOBJ_NEW_MODULE_FILE);
    if (!force) {
        if (get_file_time(rebuilt) == 0) return false;
        FileStamp stamp = stamp_of(rebuilt);
        if (stamp == tried_rebuild) return false;
        tried_rebuild = stamp;
    }

    const char* file = force ? running.file : GAMEOBJ_NEW_MODULE_FILE;
    ModuleImage next;
    ModuleError error;
    if (!open_image(file, next, error) || !check_image(file, next, error)) return refuse_module(next, error);
    ModuleError layout;
    if (live_class_changed_layout(running, next, layout)) {
        error.format("%s refused: %s; restart the game to use it", file, layout.c_str());
        return refuse_module(next, error);
    }

    if (next.handle == running.handle) {
        // The running file itself (forced): the loader handed back the running
        // image, which already passed these checks; load it afresh.
        release_image(next);
        unbind_gameobj_module();
        close_image(running);
        open_and_bind_module(file);
        debug("gameobj reload ok");
        return true;
    }

    unbind_gameobj_module();
    bind_image(next);
    if (force) {
        close_image(running);
        running = next;
        debug("gameobj reload ok");
        return true;
    }
    // The running build stays mapped as the fallback until the new one has
    // run cleanly for a while; a build that replaces one still on trial
    // shares its fallback.
    if (fallback.handle)
        close_image(running);
    else
        fallback = running;
    running = next;
    trial_seconds = 0.f;
    // rename replaces an older trial file in one step.
    bool ok = rename_module_file(GAMEOBJ_NEW_MODULE_FILE, GAMEOBJ_TRIAL_MODULE_FILE);
    if (ok) running.file = GAMEOBJ_TRIAL_MODULE_FILE;
    debug("gameobj reload %s", ok ? "ok" : "failed");
    return ok;
}

void tend_gameobj_module(float dt) {
    if (module_fault_pending()) {
        if (running.handle && fallback.handle) roll_back();
        return;
    }
    if (!fallback.handle) return;
    trial_seconds += dt;
    if (trial_seconds >= GAMEOBJ_TRIAL_SECONDS) accept_trial("ran cleanly on trial");
}

bool gameobj_module_on_trial() { return fallback.handle != nullptr; }

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
