#pragma once
// Input recording and replay, so a session can be played again exactly.
// A recording is a small text file: the game's version and seed, then one
// line per input event, window-state change and drawn frame, each with the
// number of the update it arrived before (updates count from 1):
//   e U type key flags x y   an input event (types of InputEventType)
//   w U delta x y            a mouse wheel message (120 per notch)
//   c U chars                characters typed with the last key
//   a U 0|1                  the window became inactive / active
//   o U 0|1                  the mouse left / entered the window
//   f U [dt]                 a frame drawn dt seconds after the last update
// A replay feeds these back instead of the real devices, so a replay runs
// the same updates and frames whatever the clock does.
#include <cstdint>
#include "core/temp_string.h"

// ---- recording ----
// Starts writing to path; false (after logging why) when it can't.
bool start_input_recording(const char* path, uint64_t seed);
void stop_input_recording();
bool is_recording_input();
// The recorder's hooks in the input layer and the loop.
void record_input_event(int type, int key, int flags, float x, float y);
void record_wheel_event(int delta, float x, float y);
void record_typed_chars(int ch);
void record_frame(float dt);
// Notes the window state (active, mouse over) when it changed.
void record_window_state();

// Updates run so far; the next input belongs to update count + 1.
int get_update_count();
void note_update_done();

// ---- replay ----
enum ReplayItemKind : char {
  REPLAY_EVENT = 'e',
  REPLAY_WHEEL = 'w',
  REPLAY_CHARS = 'c',
  REPLAY_ACTIVE = 'a',
  REPLAY_MOUSE_OVER = 'o',
  REPLAY_FRAME = 'f',
};
struct ReplayItem {
  char kind;
  int update;
  int a, b, c;  // event: type, key, flags; wheel: delta; chars; states: 0 or 1
  float x, y;   // event and wheel: position; frame: x is dt
};

// Reads a recording; false with the reason in *error. The recorded seed
// goes to *seed.
bool load_input_replay(const char* path, uint64_t* seed, TempString<512>* error);
bool is_replaying_input();
// The next recorded item for update `update`, or null when the items of
// that update are used up.
const ReplayItem* next_replay_item(int update);
bool replay_exhausted();
// Input events and window states go where the devices would put them.
void apply_replay_item(const ReplayItem& item);
void end_input_replay();
