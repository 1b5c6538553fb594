// Stopping the program: the error box, the fatal stop and the normal quit.
#include <SDL2/SDL.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "core/debug.h"

static ShutdownHook shutdown_hook = nullptr;
// Set while the shutdown runs, so a failure inside it cannot run it again.
static bool shutting_down = false;

void set_shutdown_hook(ShutdownHook hook) { shutdown_hook = hook; }

// A box needs a window system; headless runs (tests, CI) would block or fail.
static bool window_system_available() {
  const char* driver = getenv("SDL_VIDEODRIVER");
  if (driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0)) return false;
  const char* display = getenv("DISPLAY");
  const char* wayland = getenv("WAYLAND_DISPLAY");
  return (display && *display) || (wayland && *wayland);
}

void error_message(const char* text) {
  if (!text) text = "";
  debug("ERROR: %s", text);
  if (!window_system_available()) return;
  char title[256];
  snprintf(title, sizeof(title), "%s - FATAL ERROR", GAME_TITLE);
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr) != 0)
    debug("error box not shown: %s", SDL_GetError());
}

static void run_shutdown() {
  if (shutting_down) return;
  shutting_down = true;
  if (shutdown_hook) shutdown_hook();
}

void quit_game(int code) {
  run_shutdown();
  exit(code);
}

void fatal(const char* fmt, ...) {
  va_list args;
  fputs("\n\n", stderr);
  va_start(args, fmt);
  vfprintf(stderr, fmt, args);
  va_end(args);
  fputs("\n", stderr);
  fflush(stdout);
  fflush(stderr);

  char buffer[4096];
  va_start(args, fmt);
  vsnprintf(buffer, sizeof(buffer), fmt, args);
  va_end(args);
  error_message(buffer);

  run_shutdown();
  fflush(stdout);
  fflush(stderr);
  // No static destructors or exit handlers: the program state that failed
  // the check is not trusted to tear itself down a second time.
  _exit(FATAL_EXIT_CODE);
}
