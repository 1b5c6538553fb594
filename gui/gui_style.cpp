#include "gui/gui_style.h"
#include <cstring>
#include "gui/gui_behavior.h"
#include "gui/gui_element.h"
#include "gui/gui_transition.h"

GuiStyle common_style;
GuiStyle spells_style;
GuiStyle tooltip_style;

void GuiStyle::addSheet(GuiSelector* selector, BaseGuiProperty* props) {
  Sheet sheet{selector, props, selector->priority()};
  sheets.append(sheet);
}

namespace {
void attach_named_behaviors(BaseGuiElement* el, const char* names) {
  for (const char* name = names; name && *name; name += strlen(name) + 1)
    if (NewGuiEventHandler* h = get_behavior(name)) el->attachBehavior(h);
}

void record_animation_source(BaseGuiProperty* p, BaseGuiProperty** sources) {
  const char* s = static_cast<GuiTextProperty*>(p)->value;
  if (!s || !*s) {
    for (int i = 0; i < NUM_GUI_PROPS; i++) sources[i] = p;
    return;
  }
  for (; *s; s++) {
    ASSERT(*s>0 && *s<=NUM_GUI_PROPS);
    sources[*s - 1] = p;
  }
}

// Matching sheet indices in ascending priority, so that later (higher)
// sheets overwrite earlier ones. Few sheets match one element: insertion
// sort, stable.
int matching_sheets(GuiStyle::Sheet* sheets, int count, BaseGuiElement* el, int* out) {
  int n = 0;
  for (int i = 0; i < count; i++) {
    if (!sheets[i].selector->matches(el)) continue;
    int j = n++;
    while (j > 0 && sheets[out[j - 1]].priority > sheets[i].priority) {
      out[j] = out[j - 1];
      j--;
    }
    out[j] = i;
  }
  return n;
}
}  // namespace

void GuiStyle::restyle(BaseGuiElement* el, bool force) {
  if (!force && !el->dirty) {
    for (int i = 0; i < el->children.num; i++) restyle(el->children[i], false);
    return;
  }
  constexpr int STACK_SHEETS = 256;
  int stackOrder[STACK_SHEETS];
  DynArray<int> heapOrder;
  int* order = stackOrder;
  if (sheets.num > STACK_SHEETS) {
    heapOrder.resize(sheets.num);
    order = heapOrder.data;
  }
  int matched = matching_sheets(sheets.data, sheets.num, el, order);

  uintptr_t newSlots[NUM_GUI_PROPS] = {};
  BaseGuiProperty* sources[NUM_GUI_PROPS] = {};
  for (int k = 0; k < matched; k++) {
    for (BaseGuiProperty* p = sheets[order[k]].props; p; p = p->next) {
      if (p->id == GUI_PROP_BEHAVIORS) {
        attach_named_behaviors(el, static_cast<GuiTextProperty*>(p)->value);
      } else if (p->id == GUI_PROP_ANIMATION) {
        record_animation_source(p, sources);
      } else if (p->id >= 1 && p->id <= NUM_GUI_PROPS) {
        newSlots[p->id - 1] = reinterpret_cast<uintptr_t>(p);
      }
    }
  }
  // Own values win; read last, since attaching a behaviour may have given
  // the element new ones.
  bool changed = false;
  for (int i = 0; i < NUM_GUI_PROPS; i++) {
    if (el->slots[i] & 1) newSlots[i] = el->slots[i];
    changed |= newSlots[i] != el->slots[i];
  }
  memcpy(el->animationSources, sources, sizeof(sources));
  if (changed) {
    GuiTransitionSnapshot snap;
    snapshot_transitions(el, sources, snap);
    el->dropAnimations();
    memcpy(el->slots, newSlots, sizeof(newSlots));
    start_transitions(el, snap);
    el->resolveProperties();
  }
  el->dirty = false;
  for (int i = 0; i < el->children.num; i++) restyle(el->children[i], true);
}
