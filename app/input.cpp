#include "app/input.h"
#include <SDL2/SDL.h>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include "app/app_globals.h"
#include "app/input_record.h"
#include "core/allocator.h"
#include "render/device.h"

namespace {
struct QueuedEvent {
  InputEvent ev;
  QueuedEvent* next;
};

QueuedEvent* queue_head = nullptr;
QueuedEvent* queue_tail = nullptr;  // the newest event; appending stays cheap however many wait
int queued_count = 0;
uint8_t key_edges[256];      // bit 0 went down, bit 1 went up (this update)
bool key_live[256];          // pressed, as of the last processed message
int key_chars[256];          // characters of the key's last down event
int last_key = 0, last_char = 0;
int wheel_sum = 0;
float mouse_x = 0, mouse_y = 0;
bool mouse_over = false;
bool mouse_captured = false;
SDL_Window* input_window = nullptr;
InputEvent* last_key_down = nullptr;
// A replay stands in for the devices: the mouse-over state is the
// recording's and the system cursor stays where it is.
bool input_replay = false;
bool replayed_mouse_over = false;

constexpr int EDGE_DOWN = 1, EDGE_UP = 2;

int modifier_flags() {
  int f = 0;
  if (key_live[VK_SHIFT]) f |= INPUT_SHIFT;
  if (key_live[VK_CONTROL]) f |= INPUT_CTRL;
  if (key_live[VK_MENU]) f |= INPUT_ALT;
  SDL_Keymod mod = input_replay ? KMOD_NONE : SDL_GetModState();
  if (mod & KMOD_CAPS) f |= INPUT_CAPS_LOCK;
  if (mod & KMOD_SCROLL) f |= INPUT_SCROLL_LOCK;
  if (mod & KMOD_NUM) f |= INPUT_NUM_LOCK;
  if (key_live[VK_LBUTTON]) f |= INPUT_LBUTTON;
  if (key_live[VK_RBUTTON]) f |= INPUT_RBUTTON;
  if (key_live[VK_MBUTTON]) f |= INPUT_MBUTTON;
  return f;
}

// A position that is no number (a damaged replay) keeps the last one.
float clamp_coord(float v, int size, float last) {
  if (!std::isfinite(v)) v = last;
  if (v < 0) return 0;
  if (size > 0 && v > float(size - 1)) return float(size - 1);
  return v;
}

struct KeyName {
  int code;
  const char* name;
};
const KeyName KEY_NAMES[] = {
    {0x01, "Left Mouse Button"}, {0x02, "Right Mouse Button"}, {0x04, "Middle Mouse Button"},
    {0x08, "Backspace"}, {0x09, "Tab"}, {0x0D, "Enter"}, {0x10, "Shift"}, {0x11, "Ctrl"}, {0x12, "Alt"},
    {0x13, "Pause"}, {0x14, "Caps Lock"}, {0x1B, "Escape"}, {0x20, "Space"}, {0x21, "Page Up"},
    {0x22, "Page Down"}, {0x23, "End"}, {0x24, "Home"}, {0x25, "Left Arrow"}, {0x26, "Up Arrow"},
    {0x27, "Right Arrow"}, {0x28, "Down Arrow"}, {0x2D, "Insert"}, {0x2E, "Delete"}, {0x5B, "Left Win"},
    {0x5C, "Right Win"}, {0x5D, "Application"}, {0x60, "NumPad 0"}, {0x61, "NumPad 1"}, {0x62, "NumPad 2"},
    {0x63, "NumPad 3"}, {0x64, "NumPad 4"}, {0x65, "NumPad 5"}, {0x66, "NumPad 6"}, {0x67, "NumPad 7"},
    {0x68, "NumPad 8"}, {0x69, "NumPad 9"}, {0x6A, "Multiply"}, {0x6B, "Add"}, {0x6D, "Subtract"},
    {0x6E, "Decimal"}, {0x6F, "Divide"}, {0x70, "F1"}, {0x71, "F2"}, {0x72, "F3"}, {0x73, "F4"},
    {0x74, "F5"}, {0x75, "F6"}, {0x76, "F7"}, {0x77, "F8"}, {0x78, "F9"}, {0x79, "F10"}, {0x7A, "F11"},
    {0x7B, "F12"}, {0x90, "Num Lock"}, {0x91, "Scroll Lock"}, {0xBA, "Semicolon"}, {0xBB, "Equals"},
    {0xBC, "Comma"}, {0xBD, "Minus"}, {0xBE, "Period"}, {0xBF, "Slash"}, {0xC0, "Grave"},
    {0xDB, "Left bracket"}, {0xDC, "Backslash"}, {0xDD, "Right bracket"}, {0xDE, "Apostrophe"},
};

// Every code 0..255 gets a name once: the table above, the digits and
// letters by their character, "#XX" for the rest.
struct KeyNameTable {
  char names[256][24];
  KeyNameTable() {
    for (int c = 0; c < 256; c++) {
      if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
        snprintf(names[c], sizeof(names[c]), "%c", c);
      else
        snprintf(names[c], sizeof(names[c]), "#%02X", c);
    }
    for (const KeyName& k : KEY_NAMES) snprintf(names[k.code], sizeof(names[k.code]), "%s", k.name);
  }
};
const KeyNameTable key_name_table;
}  // namespace

const char* getKeyName(int code) {
  if (code < 0 || code > 255) return "?";
  return key_name_table.names[code];
}

bool getEvent(InputEvent* ev) {
  QueuedEvent* q = queue_head;
  if (!q) return false;
  *ev = q->ev;
  queue_head = q->next;
  if (!queue_head) queue_tail = nullptr;
  queued_count--;
  if (last_key_down == &q->ev) last_key_down = nullptr;
  dlfree(q);
  return true;
}

void getMousePos(float* x, float* y) {
  *x = mouse_x;
  *y = mouse_y;
}

void setMousePos(float x, float y) {
  // Nothing on a screen is this far out; such a value (or no number) has no
  // whole pixel to go to.
  if (!(std::fabs(x) < 1e9f && std::fabs(y) < 1e9f)) return;
  if (input_replay) {
    // No cursor to move: the stored position takes the move the warp gives.
    mouse_x = float(int(x));
    mouse_y = float(int(y));
    return;
  }
  if (input_window) SDL_WarpMouseInWindow(input_window, int(x), int(y));
}

int getMouseWheel() { return wheel_sum; }
bool isMouseOver() { return mouse_over; }
bool getKeyState(int code) { return code >= 0 && code < 256 && key_live[code]; }
bool keyDown(int code) { return code >= 0 && code < 256 && (key_edges[code] & EDGE_DOWN); }
bool keyUp(int code) { return code >= 0 && code < 256 && (key_edges[code] & EDGE_UP); }
int getKey() { return last_key; }
int getChar() { return last_char; }

void start_input(SDL_Window* window) {
  input_window = window;
  int x = 0, y = 0;
  SDL_GetMouseState(&x, &y);
  mouse_x = float(x);
  mouse_y = float(y);
  memset(key_edges, 0, sizeof(key_edges));
}

namespace {
void queue_input_event(int type, int key, int flags, float x, float y) {
  QueuedEvent* q = (QueuedEvent*)dlmalloc(sizeof(QueuedEvent));
  if (!q) return;  // an event lost to a full heap is better than a crash
  InputEvent& ev = q->ev;
  ev = InputEvent{type, key, 0, 0, 0, 0, 0};
  bool in_table = key >= 0 && key <= 255;
  switch (type) {
    case INPUT_KEY_DOWN:
      if (in_table) {
        if (!(flags & INPUT_REPEAT)) key_edges[key] |= EDGE_DOWN;
        key_live[key] = true;
        ev.ch = key_chars[key] = 0;
      }
      break;
    case INPUT_KEY_UP:
      if (in_table) {
        key_edges[key] |= EDGE_UP;
        key_live[key] = false;
        ev.ch = key_chars[key];
      }
      break;
    case INPUT_BUTTON_DOWN:
      if (in_table) {
        key_edges[key] |= EDGE_DOWN;
        key_live[key] = true;
      }
      if (input_window && !input_replay) SDL_CaptureMouse(SDL_TRUE);
      mouse_captured = true;
      break;
    case INPUT_BUTTON_UP:
      if (in_table) {
        key_edges[key] |= EDGE_UP;
        key_live[key] = false;
      }
      if (input_window && !input_replay) {
        SDL_CaptureMouse(SDL_FALSE);
        SDL_WarpMouseInWindow(input_window, int(mouse_x + 0.5f), int(mouse_y + 0.5f));
      }
      x = float(int(mouse_x + 0.5f));
      y = float(int(mouse_y + 0.5f));
      mouse_captured = false;
      break;
    default:
      break;
  }
  ev.flags = (flags & INPUT_REPEAT) | modifier_flags();
  if (type == INPUT_KEY_DOWN || type == INPUT_KEY_UP) {
    ev.x = mouse_x;
    ev.y = mouse_y;
  } else {
    ev.x = clamp_coord(x, d3d_wd, mouse_x);
    ev.y = clamp_coord(y, d3d_ht, mouse_y);
  }
  q->next = nullptr;
  if (queue_tail) queue_tail->next = q;
  else queue_head = q;
  queue_tail = q;
  queued_count++;

  if (type == INPUT_KEY_DOWN || type == INPUT_BUTTON_DOWN) {
    last_key = ev.key;
    last_char = ev.ch;
    last_key_down = type == INPUT_KEY_DOWN ? &ev : nullptr;
  } else if (type == INPUT_MOUSE_MOVE) {
    mouse_x = ev.x;
    mouse_y = ev.y;
  }
}
}  // namespace

void push_input_event(int type, int key, int scan_code, int flags, float x, float y) {
  (void)scan_code;
  record_input_event(type, key, flags, x, y);
  queue_input_event(type, key, flags, x, y);
}

void push_wheel_event(int delta, float x, float y) {
  record_wheel_event(delta, x, y);
  QueuedEvent* before = queue_tail;
  queue_input_event(INPUT_MOUSE_WHEEL, 0, 0, x, y);
  if (queue_tail == before) return;  // not queued
  queue_tail->ev.wheel = delta / 120;
  // Saturates: a replay may hold any delta, many times over.
  long long sum = (long long)wheel_sum + queue_tail->ev.wheel;
  wheel_sum = int(sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : sum);
}

void set_last_key_chars(int ch) {
  record_typed_chars(ch);
  if (!last_key_down) return;
  // Up to two characters in the low 16 bits, as a dead key may give.
  int c = last_key_down->ch;
  c = c == 0 ? (ch & 0xFF) : ((c & 0xFF) | (ch & 0xFF) << 8);
  last_key_down->ch = c;
  if (last_key_down->key >= 0 && last_key_down->key <= 255) key_chars[last_key_down->key] = c;
  if (last_key == last_key_down->key) last_char = c;
}

void update_mouse_over() {
  if (input_replay) {
    mouse_over = replayed_mouse_over;
    return;
  }
  if (mouse_captured || isFullscreen) {
    mouse_over = true;
    return;
  }
  if (!input_window) {
    mouse_over = false;
    return;
  }
  mouse_over = SDL_GetMouseFocus() == input_window;
}

void clear_input() {
  memset(key_edges, 0, sizeof(key_edges));
  while (queue_head) {
    QueuedEvent* q = queue_head;
    queue_head = q->next;
    dlfree(q);
  }
  queue_tail = nullptr;
  queued_count = 0;
  last_key_down = nullptr;
  last_key = last_char = 0;
  wheel_sum = 0;
}

int count_queued_input_events() { return queued_count; }

void set_input_replay(bool on) {
  input_replay = on;
  if (on) mouse_over = replayed_mouse_over;
}
bool is_input_replay() { return input_replay; }
void set_replayed_mouse_over(bool over) { mouse_over = replayed_mouse_over = over; }
