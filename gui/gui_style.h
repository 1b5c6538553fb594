#pragma once
// Style sheets: a selector picks elements, its property list gives them
// values, behaviours and animation sources. Higher priorities win; an
// element's own values win over every sheet. Selectors and property lists
// belong to whoever built them (the module); a style only refers to them.
#include "core/dyn_array.h"
#include "gui/gui_property.h"

struct BaseGuiElement;

struct GuiSelector {
  virtual bool matches(BaseGuiElement* el) = 0;
  virtual int priority() = 0;

 protected:
  ~GuiSelector() = default;
};

struct GuiStyle {
  struct Sheet {
    GuiSelector* selector;
    BaseGuiProperty* props;  // head of the list
    int priority;            // the selector's, when the sheet was added
  };
  DynArray<Sheet> sheets;

  void addSheet(GuiSelector* selector, BaseGuiProperty* props);
  // Restyles the element when forced or dirty, then its subtree.
  void restyle(BaseGuiElement* el, bool force);
  // Removes every sheet; the array keeps its storage.
  void removeAll() { sheets.erase(0, sheets.num); }
};

// The styles of the module's screens, kept across module reloads.
extern GuiStyle common_style;
extern GuiStyle spells_style;
extern GuiStyle tooltip_style;
