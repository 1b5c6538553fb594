#include "gui/key_box.h"
#include "gui/gui_dispatch.h"
#include "gui/gui_element.h"

KeyBoxBehavior key_box_behavior;

int KeyBoxBehavior::handleEvent(NewGuiEvent& e, BaseGuiElement* el, int) {
  if (e.type == GUI_EV_RESET) {
    reset(el);
    return GUI_NOT_HANDLED;
  }
  if (!el->isEnabled()) return GUI_NOT_HANDLED;
  auto& ev = static_cast<NewGuiInputEvent&>(e);
  bool waiting = el->pressed();
  switch (ev.type) {
    case GUI_EV_MOUSE_ENTER: el->setBool(GUI_PROP_HOVERED, true); break;
    case GUI_EV_MOUSE_LEAVE:
      el->setBool(GUI_PROP_HOVERED, false);
      el->setBool(GUI_PROP_PRESSED, false);
      break;
    case GUI_EV_KEY:
    case GUI_EV_BUTTON_DOWN: {
      if (ev.type == GUI_EV_KEY && ev.in.type != INPUT_KEY_DOWN) break;
      bool over = hit_test(el, ev.in.x, ev.in.y) == el;
      if (!waiting) {
        if (over && ev.type == GUI_EV_BUTTON_DOWN && ev.in.key == VK_LBUTTON) el->setBool(GUI_PROP_PRESSED, true);
        break;
      }
      el->setBool(GUI_PROP_PRESSED, false);
      if (over) el->clickListeners.call(el, ev.in.key);
      break;
    }
  }
  return GUI_HANDLED;
}

void KeyBoxBehavior::attach(BaseGuiElement* el) { reset(el); }

void KeyBoxBehavior::reset(BaseGuiElement* el) {
  el->setBool(GUI_PROP_PRESSED, false, true);
  el->setBool(GUI_PROP_HOVERED, false, true);
}
