#pragma once
// The main window on SDL2: creation, the event pump (the window procedure's
// work: quit, resize, activation, cursor, Alt+Enter, Alt+F4, input events),
// the fullscreen switch and its resolution.

struct SDL_Window;
struct LaunchOptions;

extern SDL_Window* main_window;

// Creates the window titled GAME_TITLE: fullscreen, or windowed at the
// requested client size centred in the desktop's usable area (maximised
// when no width was requested). Fills in the sizes that were not requested.
bool create_main_window(LaunchOptions* opt);
void destroy_main_window();

// The fullscreen resolution the player chose among the display's
// (get_fullscreen_size): 0 x 0 is the desktop's own (the default). Choosing
// stores it in the settings ("fullscreen_size") and applies it at once when
// the game is fullscreen.
void get_chosen_fullscreen_size(int* width, int* height);
void choose_fullscreen_size(int width, int height);

// Handles every waiting event, then refreshes the mouse-over state.
void pump_messages();
bool is_quit_requested();
void request_quit();
void clear_quit_request();  // tests and restarts
