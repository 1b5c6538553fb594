#pragma once
// Settings of the app tests live in a fresh XDG config folder, never the
// developer's own.
#include <string>

std::string make_test_config_home();
void remove_folder(const std::string& folder);
