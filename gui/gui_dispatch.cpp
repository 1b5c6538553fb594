#include "gui/gui_dispatch.h"
#include "gui/gui_behavior.h"
#include "gui/gui_element.h"

int deliver_event(NewGuiEvent& ev, BaseGuiElement* el, int mode) {
  if (!(el->eventMask & ev.type)) return GUI_NOT_HANDLED;
  // Indexed: a behaviour may be attached while the element handles an event.
  for (int i = 0; i < el->behaviors.num; i++) {
    NewGuiEventHandler* h = el->behaviors[i];
    if (!(h->mask & ev.type)) continue;
    if (int r = h->handleEvent(ev, el, mode)) return r;
  }
  return GUI_NOT_HANDLED;
}

namespace {
int broadcast(NewGuiEvent& ev, BaseGuiElement* el) {
  int r = deliver_event(ev, el, GUI_BROADCAST);
  if (r == GUI_HANDLED_SKIP_CHILDREN) return GUI_NOT_HANDLED;
  if (r) return r;
  for (int i = 0; i < el->children.num; i++)
    if (int c = broadcast(ev, el->children[i])) return c;
  return GUI_NOT_HANDLED;
}

int top_down(NewGuiEvent& ev, BaseGuiElement* el, BaseGuiElement* stop) {
  if (el != stop && el->parent)
    if (int r = top_down(ev, el->parent, stop)) return r;
  return deliver_event(ev, el, GUI_TOP_DOWN);
}
}  // namespace

int send_event(NewGuiEvent& ev, BaseGuiElement* target, int mode, BaseGuiElement* stop) {
  if (!target) return GUI_NOT_HANDLED;
  switch (mode) {
    case GUI_TOP_DOWN: return top_down(ev, target, stop);
    case GUI_BUBBLE:
      for (BaseGuiElement* el = target; el; el = el->parent) {
        if (int r = deliver_event(ev, el, GUI_BUBBLE)) return r;
        if (el == stop) break;
      }
      return GUI_NOT_HANDLED;
    case GUI_TARGET: return deliver_event(ev, target, GUI_TARGET);
    case GUI_BROADCAST: return broadcast(ev, target);
  }
  return GUI_NOT_HANDLED;
}

BaseGuiElement* hit_test(BaseGuiElement* root, float x, float y) {
  NewGuiHittestEvent ev(x, y);
  send_event(ev, root, GUI_BROADCAST, nullptr);
  return ev.result;
}
