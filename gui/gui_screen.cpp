#include "gui/gui_screen.h"
#include "gui/gui_destruction.h"
#include "gui/gui_dispatch.h"
#include "gui/gui_hooks.h"
#include "gui/gui_style.h"
#include "render/device.h"

BaseGuiScreen* cur_game_screen = nullptr;

namespace {
BaseGuiScreen* live_screens = nullptr;

int gui_event_type_of(int input_type) {
  switch (input_type) {
    case INPUT_KEY_DOWN:
    case INPUT_KEY_UP: return GUI_EV_KEY;
    case INPUT_BUTTON_DOWN: return GUI_EV_BUTTON_DOWN;
    case INPUT_BUTTON_UP: return GUI_EV_BUTTON_UP;
    case INPUT_MOUSE_MOVE: return GUI_EV_MOUSE_MOVE;
    case INPUT_MOUSE_WHEEL: return GUI_EV_MOUSE_WHEEL;
  }
  ASSERT(!"unknown input event type");
  return 0;
}

void send_crossing(int type, BaseGuiElement* el, const InputEvent& in) {
  if (!el) return;
  NewGuiInputEvent ev(type, in);
  send_event(ev, el, GUI_TARGET, nullptr);
}

bool key_held(int code) { return gui_hooks.key_state && gui_hooks.key_state(code); }

// Where the mouse is; the origin while no input is connected.
void mouse_position(float* x, float* y) {
  *x = *y = 0;
  if (gui_hooks.mouse_pos) gui_hooks.mouse_pos(x, y);
}
}  // namespace

BaseGuiScreen::BaseGuiScreen() {
  nextLive = live_screens;
  if (live_screens) live_screens->prevLive = this;
  live_screens = this;
}

BaseGuiScreen::~BaseGuiScreen() {
  forget_queued_screen(this);
  if (cur_game_screen == this) cur_game_screen = nullptr;
  delete root;  // its elements forget themselves in this screen too
  root = captured = hovered = nullptr;
  if (prevLive) prevLive->nextLive = nextLive;
  else live_screens = nextLive;
  if (nextLive) nextLive->prevLive = prevLive;
}

void forget_element_in_screens(BaseGuiElement* el) {
  for (BaseGuiScreen* s = live_screens; s; s = s->nextLive) {
    if (s->root == el) s->root = nullptr;
    if (s->captured == el) s->captured = nullptr;
    if (s->hovered == el) s->hovered = nullptr;
  }
}

void BaseGuiScreen::setHovered(BaseGuiElement* el, const InputEvent& in) {
  send_crossing(GUI_EV_MOUSE_LEAVE, hovered, in);
  hovered = el;
  send_crossing(GUI_EV_MOUSE_ENTER, el, in);
}

// The element an input event goes to, updating hover and capture on the way.
BaseGuiElement* BaseGuiScreen::routeInput(const InputEvent& in) {
  bool held = (in.flags & GUI_BUTTONS_HELD) != 0;
  if (!captured && !pressedOutside) {
    BaseGuiElement* hit = root ? hit_test(root, in.x, in.y) : nullptr;
    if (hit != hovered) setHovered(hit, in);
    return hit;
  }
  if (held) {
    // While a button is held only the captured element can take the hover.
    BaseGuiElement* hit = root ? hit_test(root, in.x, in.y) : nullptr;
    if (hit != hovered) {
      setHovered(nullptr, in);
      if (hit && hit == captured) setHovered(hit, in);
    }
    return captured;
  }
  // The buttons are up: the capture ends with this event, which still goes
  // to the element that held it.
  BaseGuiElement* target = captured;
  captured = nullptr;
  pressedOutside = false;
  return target;
}

void BaseGuiScreen::processInput() {
  InputEvent in;
  while (gui_hooks.next_input_event && gui_hooks.next_input_event(&in)) {
    NewGuiInputEvent ev(0, in);
    BaseGuiElement* target = routeInput(in);
    processInputEvent(ev, target);
  }
  if (!root) return;
  float x, y;
  mouse_position(&x, &y);
  NewGuiTooltipEvent tip(x, y);
  if (send_event(tip, root, GUI_BROADCAST, nullptr) != GUI_HANDLED && gui_hooks.hide_tooltip) gui_hooks.hide_tooltip();
}

void BaseGuiScreen::processInputEvent(NewGuiInputEvent& ev, BaseGuiElement* target) {
  if (ev.in.type == INPUT_BUTTON_DOWN) {
    captured = target;
    pressedOutside = target == nullptr;
  }
  ev.type = gui_event_type_of(ev.in.type);
  if (ev.type == GUI_EV_KEY) {
    // Keys go to the element under the mouse and up to the root, or to the
    // whole tree when the mouse is over nothing.
    if (target) send_event(ev, target, GUI_BUBBLE, nullptr);
    else if (root) send_event(ev, root, GUI_BROADCAST, nullptr);
    return;
  }
  if (target) send_event(ev, target, GUI_TARGET, nullptr);
}

void BaseGuiScreen::resetState() {
  captured = nullptr;
  // A button still held from the previous screen began outside this one.
  pressedOutside = key_held(VK_LBUTTON) || key_held(VK_RBUTTON);
  if (!hovered) return;
  InputEvent in{INPUT_MOUSE_MOVE, 0, 0, 0, 0, 0, 0};
  mouse_position(&in.x, &in.y);
  send_crossing(GUI_EV_MOUSE_LEAVE, hovered, in);
  hovered = nullptr;
}

void BaseGuiScreen::restyle() {
  if (!root) return;
  if (style) style->restyle(root, false);
  root->layout(0, 0, float(d3d_wd), float(d3d_ht));
}
