#pragma once
// The game controls: eleven named buttons, each bound to one key or mouse
// button, stored in the settings as "#<code>".
#include "core/temp_string.h"

enum ControlButton {
  B_FORWARD,
  B_BACK,
  B_LEFT,
  B_RIGHT,
  B_UP,
  B_DOWN,
  B_TURBO,
  B_LSPELL,
  B_RSPELL,
  B_MAP,
  B_SPELLS,
  NUM_CONTROL_BUTTONS
};

void init_controls();
bool button_down(int index);
bool button_up(int index);
bool button_state(int index);
const char* get_button_ui_name(int index);       // null outside 0..10
TempString<260> get_button_key_name(int index);  // empty outside 0..10
void set_button_key(int index, int code);  // codes 0..255; others are ignored
int get_button_key(int index);  // bound code, 0 outside 0..10
