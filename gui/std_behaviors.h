#pragma once
// The standard behaviours: solid hit box, button, checkbox, radio button,
// horizontal slider and tooltip box.
#include "gui/gui_behavior.h"

// "solid_box": claims hit tests inside the element's rectangle unless a
// child claims them first.
struct NewGuiHittestHandler : NewGuiEventHandler {
  NewGuiHittestHandler() : NewGuiEventHandler(GUI_EV_HITTEST) {}
  int handleEvent(NewGuiEvent& ev, BaseGuiElement* el, int mode) override;
};

// "button": pressed and hovered follow the mouse; a release over the element
// that was pressed clicks it.
struct ButtonBehavior : NewGuiEventHandler {
  static constexpr int MASK =
      GUI_EV_MOUSE_ENTER | GUI_EV_MOUSE_LEAVE | GUI_EV_BUTTON_UP | GUI_EV_BUTTON_DOWN | GUI_EV_RESET;
  ButtonBehavior() : NewGuiEventHandler(MASK) {}
  int handleEvent(NewGuiEvent& ev, BaseGuiElement* el, int mode) override;
  void attach(BaseGuiElement* el) override;
  void reset(BaseGuiElement* el) override;
  // Calls the click listeners with the button code, then the value
  // listeners with the checked value.
  virtual void click(BaseGuiElement* el, NewGuiInputEvent& ev);
};

// "checkbox": a click flips checked first.
struct CheckboxBehavior : ButtonBehavior {
  void attach(BaseGuiElement* el) override;
  void click(BaseGuiElement* el, NewGuiInputEvent& ev) override;
};

// "radio_button": a click checks the element and unchecks its siblings of
// the same behaviour.
struct RadioButtonBehavior : ButtonBehavior {
  void click(BaseGuiElement* el, NewGuiInputEvent& ev) override;
};

// "h_slider": while a button is held the thumb child (GUI_FLAG_SLIDER_THUMB)
// follows the mouse through its offset box.
struct HSliderBehavior : NewGuiEventHandler {
  HSliderBehavior() : NewGuiEventHandler(ButtonBehavior::MASK | GUI_EV_MOUSE_MOVE) {}
  int handleEvent(NewGuiEvent& ev, BaseGuiElement* el, int mode) override;
  void attach(BaseGuiElement* el) override;
  void reset(BaseGuiElement* el) override;
};

// "tooltip_box": answers the tooltip event for the deepest element whose
// tooltip test accepts the point.
struct TooltipBoxBehavior : NewGuiEventHandler {
  TooltipBoxBehavior() : NewGuiEventHandler(GUI_EV_TOOLTIP) {}
  int handleEvent(NewGuiEvent& ev, BaseGuiElement* el, int mode) override;
  // The default accepts a point inside the element and shows its tooltip
  // text through the module (hides the tooltip when it has none).
  virtual bool tooltipTest(BaseGuiElement* el, float x, float y);
};

extern NewGuiHittestHandler gui_hittest_box_handler;
extern ButtonBehavior button_behavior;
extern CheckboxBehavior checkbox_behavior;
extern RadioButtonBehavior radio_button_behavior;
extern HSliderBehavior h_slider_behavior;
extern TooltipBoxBehavior tooltip_box_behavior;
