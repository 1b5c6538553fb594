#pragma once
// Screens: a root element with the hover and capture state of the mouse and
// the style that restyles the tree. The module's screens derive from
// BaseGuiScreen and reuse these operations. The order of the virtual
// operations is part of the module interface: the deleting destructor
// first, the module detach third, processInputEvent fifth.
#include "gui/gui_element.h"
#include "gui/gui_events.h"
#include "gui/gui_property.h"

struct GuiStyle;

struct BaseGuiScreen : GuiHeapObject {
  BaseGuiElement* root = nullptr;  // owned: destroyed with the screen
  BaseGuiElement* captured = nullptr;
  BaseGuiElement* hovered = nullptr;
  GuiStyle* style = nullptr;
  // A button went down over no element: until it is released no element
  // takes the hover, so a press that began elsewhere never turns into a
  // click.
  bool pressedOutside = false;
  // Links of the list of live screens.
  BaseGuiScreen* prevLive = nullptr;
  BaseGuiScreen* nextLive = nullptr;

  BaseGuiScreen();
  BaseGuiScreen(const BaseGuiScreen&) = delete;
  BaseGuiScreen& operator=(const BaseGuiScreen&) = delete;
  virtual ~BaseGuiScreen();
  // Clears the capture and sends mouse leave to the hovered element.
  virtual void resetState();
  // Drops everything that points into the module's code; called on each
  // live screen before the module is unloaded.
  virtual void detachFromModule() {}
  // Routes every queued input event, then asks the tree for a tooltip.
  virtual void processInput();
  virtual void processInputEvent(NewGuiInputEvent& ev, BaseGuiElement* target);
  // Restyles the tree and lays it out over the whole back buffer.
  virtual void restyle();

 private:
  BaseGuiElement* routeInput(const InputEvent& in);
  void setHovered(BaseGuiElement* el, const InputEvent& in);
};

// The screen the game shows; the module switches it.
extern BaseGuiScreen* cur_game_screen;

// A destroyed element stops being any screen's root, hovered or captured
// element.
void forget_element_in_screens(BaseGuiElement* el);
