#include "app/controls.h"
#include <cstdio>
#include "app/input.h"
#include "core/debug.h"
#include "core/settings.h"
#include "gui/key_box.h"

namespace {
struct ControlDef {
  const char* settingName;
  const char* uiName;
  int defaultKey;
};

const ControlDef CONTROLS[NUM_CONTROL_BUTTONS] = {
    {"B_forward", "Forward", 'W'},        {"B_back", "Backward", 'S'},
    {"B_left", "Left", 'A'},              {"B_right", "Right", 'D'},
    {"B_up", "Up", VK_SPACE},             {"B_down", "Down", 'C'},
    {"B_turbo", "Go faster", VK_SHIFT},   {"B_lspell", "Left spell", VK_LBUTTON},
    {"B_rspell", "Right spell", VK_RBUTTON}, {"B_map", "Show map", VK_TAB},
    {"B_spells", "Select spells", VK_CONTROL},
};

int bound_keys[NUM_CONTROL_BUTTONS];

bool valid(int index) { return index >= 0 && index < NUM_CONTROL_BUTTONS; }

constexpr int MAX_KEY_CODE = 255;

// "#" then the decimal code, 0 to 255; a "#" without digits is code 0,
// which no key produces. -1 for anything else ("#1e9", "#4294967297").
int parse_key_setting(const char* text) {
  if (text[0] != '#') return -1;
  int code = 0;
  for (const char* p = text + 1; *p; p++) {
    if (*p < '0' || *p > '9') return -1;
    code = code * 10 + (*p - '0');
    if (code > MAX_KEY_CODE) return -1;
  }
  return code;
}
}  // namespace

void init_controls() {
  for (int i = 0; i < NUM_CONTROL_BUTTONS; i++) {
    bound_keys[i] = CONTROLS[i].defaultKey;
    char text[64];
    if (!get_config_str(CONTROLS[i].settingName, text, sizeof(text))) continue;
    int code = parse_key_setting(text);
    if (code >= 0) bound_keys[i] = code;
    else debug("setting %s=%s is not a key: the default is used", CONTROLS[i].settingName, text);
  }
  // The controls screen captures new keys with it.
  register_behavior(&key_box_behavior, "keybox");
}

bool button_down(int index) { return valid(index) && keyDown(bound_keys[index]); }
bool button_up(int index) { return valid(index) && keyUp(bound_keys[index]); }
bool button_state(int index) { return valid(index) && getKeyState(bound_keys[index]); }

const char* get_button_ui_name(int index) { return valid(index) ? CONTROLS[index].uiName : nullptr; }

TempString<260> get_button_key_name(int index) {
  return TempString<260>(valid(index) ? getKeyName(bound_keys[index]) : "");
}

int get_button_key(int index) { return valid(index) ? bound_keys[index] : 0; }

void set_button_key(int index, int code) {
  if (!valid(index) || code < 0 || code > MAX_KEY_CODE) return;
  bound_keys[index] = code;
  char text[16];
  snprintf(text, sizeof(text), "#%d", code);
  set_config_str(CONTROLS[index].settingName, text, -1);
}
