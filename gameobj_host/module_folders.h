#pragma once
// Where the game-object module's files are. In the build tree the module sits
// beside the data and its sources are the repository's ("../compiler/" from
// there). An installed game ships its module under lib/ and the sources in its
// data folder; on the first start it copies the sources to the player's
// $XDG_DATA_HOME/EmberHollows/module/, rebuilds from there and keeps the
// rebuilt module there too: nothing is written into the install folders.
#include "core/temp_string.h"

struct GameObjFolders {
  PathString sources;  // watched and rebuilt from, with a trailing "/"; empty: none
  PathString output;   // where a rebuild writes and a swap keeps the module; empty: the data folder
  PathString shipped;  // the module that came with the game; empty: the data folder's
};
extern GameObjFolders gameobj_folders;

// Start-up, after init_app_path: chooses the folders, copies the shipped
// sources on an installed game's first start, points the rebuild at the
// installed engine headers, and says once (log and visual log) when no C++
// compiler is there to rebuild the module.
void choose_gameobj_folders();

// The full name of a module file in the output folder.
PathString gameobj_output_file(const char* name);
// The module the game starts with: one rebuilt in the output folder when it
// is at least as new as the executable (a module rebuilt for an earlier
// version is not trusted), else the shipped one.
PathString gameobj_start_file();
