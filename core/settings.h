#pragma once
// Per-user settings store: named int and text values kept in
// $XDG_CONFIG_HOME/EmberHollows/settings (default ~/.config). Every call
// reads or rewrites the file; nothing is cached.
#include "core/paths.h"

// Store an int. False only when the store cannot be written.
bool set_config_int(const char* name, int value);
// Store the first length characters of text; a negative length means the
// whole text. False only when the store cannot be written.
bool set_config_str(const char* name, const char* text, int length);
// True and the value only when the setting exists and holds an int;
// otherwise false and value unchanged.
bool get_config_int(const char* name, int* value);
// The same for a setting with a range: a value outside min..max (a hand
// edit, a damaged file) is logged and read as absent, so the caller keeps
// its default.
bool get_config_int_in_range(const char* name, int min, int max, int* value);
// Reads at most size-1 characters into buffer, zero-terminated; true only
// when the setting exists and holds a text.
bool get_config_str(const char* name, char* buffer, int size);

// Full name of the settings file; empty when it would be longer than the
// system allows.
FsPath get_settings_file_path();
