#pragma once
// Process-wide state of the application shell that other subsystems read:
// window state, frame timing and the settings-derived graphics options.

class GameMode;

extern bool isAppActive;      // the window is the active window
extern bool isFullscreen;     // the window is in fullscreen mode
extern bool shouldHideMouse;  // the current game mode wants the cursor hidden

// During an update: time_dt is the fixed step and time_ik is 1. During
// drawing: time_dt is the time since the last update and time_ik the fraction
// of the step that has elapsed since it.
extern float time_dt;
extern float time_ik;

extern bool show_fps;         // help and statistics overlay shown
extern bool use_postfx;       // post-effects (always off at low quality)
extern bool use_ppaa;         // post-process anti-aliasing
extern bool use_obj_shadows;  // object shadows
extern bool use_fog;          // fog
extern bool app_use_vsync;    // presentation waits for vertical sync

extern int gfx_quality;               // index into gfx_quality_name
extern const char* gfx_quality_name[];  // "low", "high", then null
extern int land_shadow_quality;

extern GameMode* cur_game_mode;  // null until the main menu starts

// Restarts the update-time measurement, so a long operation inside an update
// (world generation, erosion) is not counted in the update statistics.
void reset_update_time();

// Switches between windowed and fullscreen.
void set_fullscreen(bool on);
