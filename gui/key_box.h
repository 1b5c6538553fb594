#pragma once
// "keybox": the controls screen's box for one control's key. A left click
// on it starts waiting (the box is "pressed" while it waits); the next key
// or mouse button pressed over it goes to the click listeners and ends the
// wait. Leaving the box or pressing elsewhere stops waiting; merely
// hovering never starts it.
#include "gui/gui_behavior.h"

struct KeyBoxBehavior : NewGuiEventHandler {
  static constexpr int MASK =
      GUI_EV_MOUSE_ENTER | GUI_EV_MOUSE_LEAVE | GUI_EV_BUTTON_DOWN | GUI_EV_KEY | GUI_EV_RESET;
  KeyBoxBehavior() : NewGuiEventHandler(MASK) {}
  int handleEvent(NewGuiEvent& ev, BaseGuiElement* el, int mode) override;
  void attach(BaseGuiElement* el) override;
  void reset(BaseGuiElement* el) override;
};

extern KeyBoxBehavior key_box_behavior;
