#pragma once
// Keys that work in every mode (help, post-effects, anti-aliasing, F9, Esc,
// screenshots) and the development keys (new world, water, erosion, cheats).

// Only while the application is active; ends with handle_dev_keys.
void handle_app_keys();
// Only in development mode or while Ctrl is held.
void handle_dev_keys();
// Erodes the land with the development preset and lets it morph from its
// old shape to the new one.
void erode_land();
