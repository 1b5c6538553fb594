#pragma once
// Rebuilding the module while the game runs: when a source file changes, the
// rebuild script runs as a child process in the source folder; its output is
// drained without blocking, error lines go to the on-screen error message,
// and the script leaves the new module as "gameobj_new.dll" beside the
// executable for the next reload.

// The script's name in the source folder. It runs under /bin/sh with one
// argument, the full name of the module file to write.
#define GAMEOBJ_REBUILD_SCRIPT "rebuild_dll.bat"
#define GAMEOBJ_NEW_MODULE_FILE "gameobj_new.dll"

// True for a compiler output line that reports an error: the word "error" or
// "errors" in any letter case, not part of a longer identifier.
bool is_error_line(const char* line);

// Drains the running rebuild's output, or starts a rebuild when a source file
// changed. True while a rebuild is busy.
bool poll_gameobj_rebuild();

// True while the script's output is still being read.
bool gameobj_rebuild_running();
