#pragma once
// Diagnostics shared by every subsystem and exported to the game-object
// module: the text log, assertion checks, the fatal stop, the visual log and
// the on-screen error message.
#include <cstdarg>
#include "core/check.h"
#include "core/dyn_array.h"
#include "core/temp_string.h"

// The release number; the build reads it from here for the package name.
#define GAME_VERSION "0.17"
// Shown in the window title and in the error box title.
#define GAME_TITLE "Ember Hollows " GAME_VERSION " DEMO"

// Process exit code of a fatal stop.
constexpr int FATAL_EXIT_CODE = 100;

// Text log on standard output: no file, no levels, no time stamps.
void debug(const char* fmt, ...) __attribute__((format(printf, 1, 2)));   // adds "\n", flushes
void debug_(const char* fmt, ...) __attribute__((format(printf, 1, 2)));  // as is, no flush
void vdebug(const char* fmt, va_list args);

// Logs "ERROR: text" and shows a modal error box when a window system is
// there (skipped when headless); returns when the box is closed.
void error_message(const char* text);

// fatal (format, ...): logs the message to stderr, shows it, runs the
// shutdown hook and exits with FATAL_EXIT_CODE; declared in core/check.h.

// Runs the shutdown hook, then exits the process with the given code.
[[noreturn]] void quit_game(int code);

// The application's shutdown sequence, run once by quit_game and fatal.
// Null (the default) means there is nothing to shut down.
typedef void (*ShutdownHook)();
void set_shutdown_hook(ShutdownHook hook);

// Visual log: the last lines shown on screen, oldest first.
constexpr int VISUAL_LOG_MAX_LINES = 100;
constexpr int VISUAL_LOG_LINE_SIZE = 128;
typedef TempString<VISUAL_LOG_LINE_SIZE> VisualLogLine;

void visual_log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void clear_visual_log();
const DynArray<VisualLogLine>& get_visual_log();

// On-screen error message: one zero-terminated text, lines joined by '\n'.
void set_error_message(const char* text);               // null or "" clears
void append_error_message(const char* text, int count);  // count < 0: whole text
bool has_error_message();
// The current message, "" when there is none.
const char* get_error_message();
// Both are drawn by render/overlay_text.h.
