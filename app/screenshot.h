#pragma once
// Screenshots: the last drawn frame as a PNG in the "shots" folder beside
// the data, or in the player's data folder when the game is installed
// (make_user_file_path; created when missing).

// "shots/shot<year>_<month>_<day>_<hour>_<minute>_<second>.png"; a second
// shot in the same second replaces the first.
void take_screenshot();
// The same, with "_at<update>" before ".png": automated shots of one run
// (-shot-at) never replace each other.
void take_update_screenshot(int update);
// Writes the back buffer to make_user_file_path(name); false (logged) when
// the file can't be written.
bool save_back_buffer_png(const char* name);
