#pragma once
// GUI events. Every event carries exactly one type bit; behaviours and
// elements carry masks of the types they accept.
#include "core/input_event.h"

struct BaseGuiElement;

enum GuiEventType {
  GUI_EV_HITTEST = 2,
  GUI_EV_KEY = 4,            // input types 1 and 2
  GUI_EV_MOUSE_ENTER = 16,
  GUI_EV_MOUSE_LEAVE = 32,
  GUI_EV_BUTTON_UP = 64,     // input type 4
  GUI_EV_BUTTON_DOWN = 128,  // input type 3
  GUI_EV_MOUSE_MOVE = 256,   // input type 5
  GUI_EV_MOUSE_WHEEL = 512,  // input type 6
  GUI_EV_RESET = 1024,       // sent by the module's screens
  GUI_EV_TOOLTIP = 2048,
};

// Dispatch modes of send_event.
enum GuiDispatchMode {
  GUI_TOP_DOWN = 0,   // root (or stop) first, down to the target
  GUI_BUBBLE = 1,     // target first, up to the stop element or the root
  GUI_TARGET = 2,     // the target alone
  GUI_BROADCAST = 3,  // the target, then its subtree unless it answers 2
};

// Handler answers.
enum GuiEventResult {
  GUI_NOT_HANDLED = 0,
  GUI_HANDLED = 1,
  GUI_HANDLED_SKIP_CHILDREN = 2,
};

// Either mouse button that the runtime counts (left or right).
constexpr int GUI_BUTTONS_HELD = INPUT_LBUTTON | INPUT_RBUTTON;

struct NewGuiEvent {
  int type;  // one GuiEventType bit
  explicit NewGuiEvent(int type) : type(type) {}
};

struct NewGuiInputEvent : NewGuiEvent {
  InputEvent in;
  NewGuiInputEvent(int type, const InputEvent& in) : NewGuiEvent(type), in(in) {}
  bool buttonHeld() const { return (in.flags & GUI_BUTTONS_HELD) != 0; }
};

struct NewGuiHittestEvent : NewGuiEvent {
  float x, y;
  BaseGuiElement* result = nullptr;  // the deepest element under the point
  NewGuiHittestEvent(float x, float y) : NewGuiEvent(GUI_EV_HITTEST), x(x), y(y) {}
};

struct NewGuiTooltipEvent : NewGuiEvent {
  float x, y;
  NewGuiTooltipEvent(float x, float y) : NewGuiEvent(GUI_EV_TOOLTIP), x(x), y(y) {}
};
