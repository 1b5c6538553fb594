#pragma once
// Process-wide state of the application shell that other subsystems read:
// window state and frame timing. The graphics options it fills from the
// settings are the renderer's (render/render_options.h).
#include "render/render_options.h"

class GameMode;

extern bool isAppActive;      // the window is the active window
extern bool shouldHideMouse;  // the current game mode wants the cursor hidden

// During an update: time_dt is the fixed step and time_ik is 1. During
// drawing: time_dt is the time since the last update and time_ik the fraction
// of the step that has elapsed since it.
extern float time_dt;
extern float time_ik;

extern bool show_fps;  // help and statistics overlay shown

extern GameMode* cur_game_mode;  // null until the main menu starts

// Restarts the update-time measurement, so a long operation inside an update
// (world generation, erosion) is not counted in the update statistics.
void reset_update_time();

// Switches between windowed and fullscreen.
void set_fullscreen(bool on);
