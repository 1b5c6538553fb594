#pragma once
// The executable's path, program file names, per-user data folder and file
// times. Paths use forward slashes.
#include <climits>
#include <cstdint>
#include "core/temp_string.h"

// The game's data folder with its trailing "/"; the base of all relative
// file names. Filled at start-up (init_app_path), empty before.
extern char app_path[MAX_PATH_LEN];
// True when the game runs installed: its data is not beside the executable
// but in the installed data folder, and nothing may be written there.
extern bool app_installed;

// Fills app_path: the installed data folder when there is one
// ("../share/ember-hollows/" from the executable's folder, as installed), else
// the executable's own folder (the build tree). Leaves it empty and returns
// false when the executable's folder cannot be read.
bool init_app_path();
// The installed data folder of an executable in exe_folder (with its trailing
// "/"), or an empty text when it does not exist.
PathString installed_data_folder(const char* exe_folder);

// The executable's full file name; false when it cannot be read or does not
// fit the buffer.
bool get_exe_filename(char* buffer, int size);
// As get_exe_filename, cut after the last separator so that the folder with
// its trailing separator remains ("" when there is none).
bool get_exe_path(char* buffer, int size);
// Cuts a file name after its last "/", "\" or ":" in place.
void cut_to_folder(char* file_name);

// Last modification time in seconds since 1970, 0 when the file cannot be
// examined.
int64_t get_file_time(const char* name);

// A path under the player's folders ($XDG_DATA_HOME, $HOME), which can be
// as long as the system allows.
typedef TempString<PATH_MAX> FsPath;

// Per-user application-data folder with a trailing "/": $XDG_DATA_HOME, else
// $HOME/.local/share, else app_path. Empty (and logged) when the path would
// be longer than the system allows.
FsPath get_appdata_path();
// get_appdata_path() with name appended unchanged; nothing is created.
FsPath get_appdata_path(const char* name);

// Files the game writes for itself (shader caches, screenshots): in the build
// tree beside the data as ever (make_full_path of "cache/" + name and of
// name); installed, in the player's folders: caches under
// $XDG_CACHE_HOME/EmberHollows/ (else ~/.cache/EmberHollows/), other files
// under get_appdata_path("EmberHollows/"). Nothing is created; empty when the
// path does not fit.
FsPath make_cache_path(const char* name);
FsPath make_user_file_path(const char* name);

// A full path for a program file: null gives app_path, names starting with
// "/" are used as they are, others are taken relative to app_path; "." and
// ".." are resolved without requiring the file to exist.
PathString make_full_path(const char* name);
