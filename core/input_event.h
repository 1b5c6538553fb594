#pragma once
// Input events as the window's event pump queues them, with Windows
// virtual-key codes: the words the app's input and the GUI share.

enum InputEventType {
  INPUT_KEY_DOWN = 1,
  INPUT_KEY_UP = 2,
  INPUT_BUTTON_DOWN = 3,
  INPUT_BUTTON_UP = 4,
  INPUT_MOUSE_MOVE = 5,
  INPUT_MOUSE_WHEEL = 6,
};

// Flag bits of InputEvent::flags.
enum InputFlags {
  INPUT_SHIFT = 0x001,
  INPUT_CTRL = 0x002,
  INPUT_ALT = 0x004,
  INPUT_CAPS_LOCK = 0x008,
  INPUT_SCROLL_LOCK = 0x010,
  INPUT_NUM_LOCK = 0x020,
  INPUT_REPEAT = 0x040,  // key down: auto-repeat; button down: double click
  INPUT_LBUTTON = 0x080,
  INPUT_RBUTTON = 0x100,
  INPUT_MBUTTON = 0x200,
};

// Virtual key codes the engine names directly.
enum VirtualKey {
  VK_LBUTTON = 0x01,
  VK_RBUTTON = 0x02,
  VK_MBUTTON = 0x04,
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,  // Alt
  VK_CAPITAL = 0x14,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,  // Page Up
  VK_NEXT = 0x22,   // Page Down
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_SNAPSHOT = 0x2C,  // PrintScreen
  VK_F1 = 0x70,
  VK_F3 = 0x72,
  VK_F4 = 0x73,
  VK_F5 = 0x74,
  VK_F6 = 0x75,
  VK_F9 = 0x78,
  VK_F12 = 0x7B,
  VK_NUMLOCK = 0x90,
  VK_SCROLL = 0x91,
};

struct InputEvent {
  int type;   // InputEventType
  int key;    // key events: virtual key; buttons: 1 left, 2 right, 4 middle
  int flags;  // InputFlags
  int ch;     // key events: the characters the layout gives (up to two)
  int wheel;  // wheel events: notches, positive away from the user
  float x, y; // mouse position in client pixels
};
