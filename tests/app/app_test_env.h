#pragma once
// Settings of the app tests live in a fresh XDG config folder, never the
// developer's own.
#include <string>
#include <vector>

std::string make_test_config_home();
void remove_folder(const std::string& folder);

#ifdef EH_GAME_EXE
struct GameOutput {
  std::string log;
  int exitCode;
};

// Starts the real game headless with its own settings and data folders.
// The executable may be a copy placed elsewhere (without its data); flags,
// when given, is stored in the settings first.
GameOutput run_game(const std::string& args, const std::string& exe = EH_GAME_EXE, int flags = -1,
                    const std::string& video = "offscreen");
// The files of "screenshot captured to '...'" lines, in order.
std::vector<std::string> logged_screenshots(const GameOutput& r);
#endif
