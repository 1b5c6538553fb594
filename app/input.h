#pragma once
// Input events and per-update key edges. The window's event pump turns SDL
// events into InputEvents with Windows virtual-key codes; they are queued
// until the next update consumes them, then cleared.
#include "core/input_event.h"

// Exported to the game-object module.
bool getEvent(InputEvent* ev);  // oldest queued event; false when empty
void getMousePos(float* x, float* y);
void setMousePos(float x, float y);
int getMouseWheel();
bool isMouseOver();
bool getKeyState(int code);  // live state of the key or button
bool keyDown(int code);      // went down during this update (codes 0..255)
bool keyUp(int code);        // went up during this update
int getKey();                // last key or button down since the last clear
int getChar();               // its characters
const char* getKeyName(int code);

// The window side.
struct SDL_Window;
void start_input(SDL_Window* window);
// One window message: type, key, scan code, incoming flags (0 or
// INPUT_REPEAT), and the point for mouse events (client pixels).
void push_input_event(int type, int key, int scan_code, int flags, float x, float y);
// Wheel messages carry the raw delta; 120 is one notch.
void push_wheel_event(int delta, float x, float y);
// Attaches typed characters to the most recent key-down event.
void set_last_key_chars(int ch);
void update_mouse_over();
void clear_input();
int count_queued_input_events();
// While a replay feeds the input, the devices are not read and the cursor
// is not moved; the mouse-over state is the replay's.
void set_input_replay(bool on);
bool is_input_replay();
void set_replayed_mouse_over(bool over);
