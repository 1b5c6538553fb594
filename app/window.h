#pragma once
// The main window on SDL2: creation, the event pump (the window procedure's
// work: quit, resize, activation, cursor, Alt+Enter, Alt+F4, input events)
// and the fullscreen switch.

struct SDL_Window;
struct LaunchOptions;

extern SDL_Window* main_window;

// Creates the window titled GAME_TITLE: fullscreen, or windowed at the
// requested client size centred in the desktop's usable area (maximised
// when no width was requested). Fills in the sizes that were not requested.
bool create_main_window(LaunchOptions* opt);
void destroy_main_window();

// Handles every waiting event, then refreshes the mouse-over state.
void pump_messages();
bool is_quit_requested();
void request_quit();
void clear_quit_request();  // tests and restarts
