#include "gameobj_host/gameobj_sources.h"
#include <strings.h>
#include <cstdio>
#include <cstring>
#include "core/paths.h"

DynArray<GameObjSourceFile> gameobj_sources;
char gameobj_source_folder[MAX_PATH_LEN] = "";
char gameobj_root_source[MAX_PATH_LEN] = "";

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
    file.format("%s%s.ls", gameobj_source_folder, name);
    return true;
}

void scan_gameobj_source(const char* path) {
    PathString full = make_full_path(path);
    if (is_scanned(full)) return;
    FILE* file = fopen(full, "r");
    if (!file) return;
    GameObjSourceFile& entry = gameobj_sources.append();
    copy_path(entry.path, full);
    entry.time = get_file_time(full);
    char line[256];
    while (fgets(line, sizeof(line), file)) {
        PathString imported;
        if (imported_file(line, imported)) scan_gameobj_source(imported);
    }
    fclose(file);
}

void rescan_gameobj_sources() {
    gameobj_sources.erase(0, gameobj_sources.num);
    scan_gameobj_source(gameobj_root_source);
}

bool gameobj_sources_changed() {
    for (const GameObjSourceFile& f : gameobj_sources)
        if (get_file_time(f.path) != f.time) return true;
    return false;
}
