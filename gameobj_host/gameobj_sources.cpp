#include "gameobj_host/gameobj_sources.h"
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstring>
#include "core/debug.h"
#include "core/paths.h"
#include "core/streams.h"

DynArray<GameObjSourceFile> gameobj_sources;
// During a rescan: the list of the scan before, whose files stay watched
// while deleted, so that restoring one starts a rebuild.
static const DynArray<GameObjSourceFile>* previous_sources = nullptr;
char gameobj_source_folder[MAX_PATH_LEN] = "";
char gameobj_root_source[MAX_PATH_LEN] = "";

GameObjSourceStamp gameobj_source_stamp(const char* path) {
    GameObjSourceStamp stamp = {};
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return stamp;
    struct stat st;
    if (fstat(fd, &st) == 0) {
        stamp.modifiedNsec = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        stamp.size = st.st_size;
        // FNV-1a over the content.
        uint64_t hash = 14695981039346656037ull;
        unsigned char buffer[16384];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof(buffer))) > 0)
            for (ssize_t i = 0; i < n; i++) hash = (hash ^ buffer[i]) * 1099511628211ull;
        stamp.contentHash = hash;
    }
    close(fd);
    return stamp;
}

static void copy_path(char* dest, const char* text) {
    size_t l = strlen(text);
    ASSERT(l<MAX_PATH_LEN);
    memcpy(dest, text, l + 1);
}

void set_gameobj_source(const char* folder, const char* root) {
    copy_path(gameobj_source_folder, folder ? folder : "");
    copy_path(gameobj_root_source, folder ? folder : "");
    size_t l = strlen(gameobj_root_source);
    ASSERT(l+strlen(root)<MAX_PATH_LEN);
    strcpy(gameobj_root_source + l, root);
}

static bool was_watched(const char* full) {
    if (!previous_sources) return false;
    for (const GameObjSourceFile& f : *previous_sources)
        if (strcasecmp(f.path, full) == 0) return true;
    return false;
}

static bool is_scanned(const char* full) {
    for (const GameObjSourceFile& f : gameobj_sources)
        if (strcasecmp(f.path, full) == 0) return true;
    return false;
}

// The file named by an import line, or false when the line is no import.
static bool imported_file(const char* line, PathString& file) {
    if (strncmp(line, "import ", 7) != 0) return false;
    const char* p = line + 7;
    while (*p == ' ' || *p == '\t') p++;
    char name[256];
    int n = 0;
    for (; *p && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n'; p++) name[n++] = *p == '.' ? '/' : *p;
    name[n] = 0;
    // A cut name would watch another file.
    if (file.formatWhole("%s%s.ls", gameobj_source_folder, name)) return true;
    debug("path too long: import %s", name);
    return false;
}

void scan_gameobj_source(const char* path) {
    PathString full = make_full_path(path);
    if (is_scanned(full)) return;
    FILE* file = open_data_file(full, "r");
    if (!file) {
        // Deleted since the last scan: watched at time 0 until it reappears.
        if (was_watched(full)) {
            GameObjSourceFile& entry = gameobj_sources.append();
            copy_path(entry.path, full);
            entry.stamp = {};
        }
        return;
    }
    GameObjSourceFile& entry = gameobj_sources.append();
    copy_path(entry.path, full);
    entry.stamp = gameobj_source_stamp(full);
    char line[256];
    while (fgets(line, sizeof(line), file)) {
        PathString imported;
        if (imported_file(line, imported)) scan_gameobj_source(imported);
    }
    fclose(file);
}

void rescan_gameobj_sources() {
    DynArray<GameObjSourceFile> previous;
    for (const GameObjSourceFile& f : gameobj_sources) previous.append(f);
    gameobj_sources.erase(0, gameobj_sources.num);
    previous_sources = &previous;
    scan_gameobj_source(gameobj_root_source);
    previous_sources = nullptr;
}

bool gameobj_sources_changed() {
    for (const GameObjSourceFile& f : gameobj_sources)
        if (!(gameobj_source_stamp(f.path) == f.stamp)) return true;
    return false;
}
