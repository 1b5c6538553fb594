#pragma once
// "keybox": the controls screen's box that takes the next key or mouse
// button pressed while the mouse is over it and hands its code to the click
// listeners.
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
