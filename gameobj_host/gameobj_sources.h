#pragma once
// The module's source files: the root file and everything it imports, with
// what they were at the last scan. A line "import a.b" names the file a/b.ls
// in the source folder. A file counts as changed when its modification time
// (to the nanosecond), its size or its content differ, so two saves within
// the same clock tick are both seen.
#include <cstdint>
#include "core/dyn_array.h"
#include "core/temp_string.h"

// All zero for a file that cannot be read.
struct GameObjSourceStamp {
    int64_t modifiedNsec;
    int64_t size;
    uint64_t contentHash;
    bool operator==(const GameObjSourceStamp& o) const {
        return modifiedNsec == o.modifiedNsec && size == o.size && contentHash == o.contentHash;
    }
};

GameObjSourceStamp gameobj_source_stamp(const char* path);

struct GameObjSourceFile {
    char path[MAX_PATH_LEN];   // absolute
    GameObjSourceStamp stamp;  // at the scan
};

extern DynArray<GameObjSourceFile> gameobj_sources;
// Relative to the executable's folder (made absolute whenever used), with a
// trailing "/"; empty when there is none.
extern char gameobj_source_folder[MAX_PATH_LEN];
// The source folder followed by the root file name.
extern char gameobj_root_source[MAX_PATH_LEN];

// Sets the source folder (null for none) and the root file name.
void set_gameobj_source(const char* folder, const char* root);
// Records path and, recursively, the files it imports; each file once
// (paths compared ignoring case); files that cannot be opened are skipped.
void scan_gameobj_source(const char* path);
// Empties the list and scans again from the root file. A file of the list
// before that is now deleted stays on it (at time 0) while its importer still
// names it, so restoring it counts as a change; an import that never existed
// is not watched.
void rescan_gameobj_sources();
// True when any recorded file differs from its recorded stamp (a deleted
// file reads as all zero).
bool gameobj_sources_changed();
