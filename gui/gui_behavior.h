#pragma once
// Behaviours give elements their interactive logic. A style attaches them to
// elements by registered name; an element asks its behaviours in order.
#include "core/dyn_array.h"
#include "gui/gui_events.h"

struct BaseGuiElement;

struct NewGuiEventHandler {
  int mask;  // GuiEventType bits the behaviour handles
  explicit NewGuiEventHandler(int mask) : mask(mask) {}
  // Returns a GuiEventResult.
  virtual int handleEvent(NewGuiEvent& ev, BaseGuiElement* el, int mode) = 0;
  // Called when a style attaches the behaviour to the element.
  virtual void attach(BaseGuiElement* el) { (void)el; }
  virtual void reset(BaseGuiElement* el) { (void)el; }

 protected:
  // Behaviours are long-lived objects held by the registry, never deleted
  // through it.
  ~NewGuiEventHandler() = default;
};

constexpr int MAX_BEHAVIOR_NAME = 64;  // bytes with the final zero

struct GuiBehaviorEntry {
  char name[MAX_BEHAVIOR_NAME];  // a copy: a module's literal goes with the module
  NewGuiEventHandler* handler;
};
extern DynArray<GuiBehaviorEntry> gui_behaviors;

// Appends the pair unless the name is registered: the first registration of
// a name wins. A name too long for an entry is refused with a log line.
void register_behavior(NewGuiEventHandler* handler, const char* name);
// Exact, case-sensitive name; null when absent.
NewGuiEventHandler* get_behavior(const char* name);
// "solid_box", "button", "checkbox", "radio_button", "tooltip_box" and
// "h_slider", each unless already registered.
void register_std_behaviors();
// Forgets the behaviours whose code belongs to the loaded object at
// module_base (a module about to be unloaded), so that no name leads into
// unmapped code and the reloaded module can register its own.
void forget_module_behaviors(const void* module_base);
