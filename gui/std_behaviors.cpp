#include "gui/std_behaviors.h"
#include <algorithm>
#include "gui/gui_dispatch.h"
#include "gui/gui_element.h"
#include "gui/gui_hooks.h"

NewGuiHittestHandler gui_hittest_box_handler;
ButtonBehavior button_behavior;
CheckboxBehavior checkbox_behavior;
RadioButtonBehavior radio_button_behavior;
HSliderBehavior h_slider_behavior;
TooltipBoxBehavior tooltip_box_behavior;

void register_std_behaviors() {
  register_behavior(&gui_hittest_box_handler, "solid_box");
  register_behavior(&button_behavior, "button");
  register_behavior(&checkbox_behavior, "checkbox");
  register_behavior(&radio_button_behavior, "radio_button");
  register_behavior(&tooltip_box_behavior, "tooltip_box");
  register_behavior(&h_slider_behavior, "h_slider");
}

namespace {
// Sends the event to each child in order; true as soon as one answers 1.
bool a_child_handles(NewGuiEvent& ev, BaseGuiElement* el) {
  for (int i = 0; i < el->children.num; i++)
    if (send_event(ev, el->children[i], GUI_BROADCAST, nullptr) == GUI_HANDLED) return true;
  return false;
}

void clear_pointer_state(BaseGuiElement* el, bool silent) {
  el->setBool(GUI_PROP_PRESSED, false, silent);
  el->setBool(GUI_PROP_HOVERED, false, silent);
}

bool over_itself(BaseGuiElement* el, const InputEvent& in) { return hit_test(el, in.x, in.y) == el; }
}  // namespace

// ---- solid box ----

int NewGuiHittestHandler::handleEvent(NewGuiEvent& e, BaseGuiElement* el, int) {
  auto& ev = static_cast<NewGuiHittestEvent&>(e);
  if (el->isHidden()) return GUI_HANDLED_SKIP_CHILDREN;
  if (a_child_handles(ev, el)) return GUI_HANDLED;
  if (!el->containsPoint(ev.x, ev.y)) return GUI_HANDLED_SKIP_CHILDREN;
  ev.result = el;
  return GUI_HANDLED;
}

// ---- button ----

int ButtonBehavior::handleEvent(NewGuiEvent& e, BaseGuiElement* el, int) {
  if (e.type == GUI_EV_RESET) {
    reset(el);
    return GUI_NOT_HANDLED;  // the reset goes on through the tree
  }
  if (!el->isEnabled()) return GUI_NOT_HANDLED;
  auto& ev = static_cast<NewGuiInputEvent&>(e);
  bool wasPressed = el->pressed();
  switch (ev.type) {
    case GUI_EV_MOUSE_ENTER:
      el->setBool(GUI_PROP_PRESSED, ev.buttonHeld());
      el->setBool(GUI_PROP_HOVERED, true);
      break;
    case GUI_EV_MOUSE_LEAVE:
      clear_pointer_state(el, false);
      break;
    case GUI_EV_BUTTON_DOWN:
      el->setBool(GUI_PROP_PRESSED, true);
      break;
    case GUI_EV_BUTTON_UP:
      el->setBool(GUI_PROP_PRESSED, ev.buttonHeld());
      el->setBool(GUI_PROP_HOVERED, over_itself(el, ev.in));
      // Only a press that began on the element (or came back to it while
      // captured) ends in a click.
      if (wasPressed && !ev.buttonHeld() && el->hovered()) click(el, ev);
      break;
  }
  bool isPressed = el->pressed();
  if (isPressed && !wasPressed) el->pressListeners.call();
  if (!isPressed && wasPressed) el->releaseListeners.call();
  return GUI_HANDLED;
}

void ButtonBehavior::attach(BaseGuiElement* el) { clear_pointer_state(el, true); }

void ButtonBehavior::reset(BaseGuiElement* el) {
  bool wasPressed = el->pressed();
  clear_pointer_state(el, false);
  if (wasPressed) el->releaseListeners.call();
}

void ButtonBehavior::click(BaseGuiElement* el, NewGuiInputEvent& ev) {
  el->clickListeners.call(el, ev.in.key);
  el->valueListeners.call(el->checked());
}

// ---- checkbox ----

void CheckboxBehavior::attach(BaseGuiElement* el) {
  ButtonBehavior::attach(el);
  // From now on the box keeps its own value, whatever the style says.
  el->setBool(GUI_PROP_CHECKED, el->checked(), true);
}

void CheckboxBehavior::click(BaseGuiElement* el, NewGuiInputEvent& ev) {
  bool value = !el->checked();
  el->setBool(GUI_PROP_CHECKED, value);
  el->checkedListeners.call(value);
  ButtonBehavior::click(el, ev);
}

// ---- radio button ----

void RadioButtonBehavior::click(BaseGuiElement* el, NewGuiInputEvent& ev) {
  // The group: the children of the parent that have this behaviour.
  BaseGuiElement* const* first = &el;
  int count = 1;
  if (el->parent) {
    first = el->parent->children.data;
    count = el->parent->children.num;
  }
  for (int i = 0; i < count; i++)
    if (first[i]->hasBehavior(this)) first[i]->setBool(GUI_PROP_CHECKED, first[i] == el);
  for (int i = 0; i < count; i++)
    if (first[i]->hasBehavior(this)) first[i]->checkedListeners.call(first[i]->checked());
  ButtonBehavior::click(el, ev);
}

// ---- horizontal slider ----

int HSliderBehavior::handleEvent(NewGuiEvent& e, BaseGuiElement* el, int) {
  if (e.type == GUI_EV_RESET) {
    reset(el);
    return GUI_NOT_HANDLED;
  }
  if (!el->isEnabled()) return GUI_NOT_HANDLED;
  auto& ev = static_cast<NewGuiInputEvent&>(e);
  if (ev.type == GUI_EV_MOUSE_ENTER) el->setBool(GUI_PROP_HOVERED, true);
  else if (ev.type == GUI_EV_MOUSE_LEAVE) el->setBool(GUI_PROP_HOVERED, false);
  else el->setBool(GUI_PROP_HOVERED, over_itself(el, ev.in));
  if (!ev.buttonHeld()) {
    el->setBool(GUI_PROP_PRESSED, false);
    return GUI_HANDLED;
  }
  el->setBool(GUI_PROP_PRESSED, true);
  BaseGuiElement* thumb = nullptr;
  for (BaseGuiElement* c : el->children)
    if (c->flags & GUI_FLAG_SLIDER_THUMB) {
      thumb = c;
      break;
    }
  if (!thumb) return GUI_HANDLED;
  float w = thumb->x1 - thumb->x0;
  float travel = el->x1 - el->x0 - w;  // how far the thumb's left edge can move
  float m = 0;
  // A thumb as wide as the slider has nowhere to go.
  if (travel > 0) m = std::clamp((ev.in.x - 0.5f * w - el->x0) / travel, 0.f, 1.f);
  else travel = 0;
  float s = el->uiScale > 0 ? el->uiScale : 1.f;
  alignas(16) float box[4];
  _mm_store_ps(box, thumb->currentVec(GUI_PROP_OFFSET));
  thumb->setVec(GUI_PROP_OFFSET, _mm_setr_ps(m * travel / s, box[1], (travel - m * travel) / s, box[3]));
  return GUI_HANDLED;
}

void HSliderBehavior::attach(BaseGuiElement* el) { clear_pointer_state(el, true); }
void HSliderBehavior::reset(BaseGuiElement* el) { clear_pointer_state(el, false); }

// ---- tooltip box ----

int TooltipBoxBehavior::handleEvent(NewGuiEvent& e, BaseGuiElement* el, int) {
  auto& ev = static_cast<NewGuiTooltipEvent&>(e);
  if (el->isHidden()) return GUI_HANDLED_SKIP_CHILDREN;
  if (a_child_handles(ev, el)) return GUI_HANDLED;
  return tooltipTest(el, ev.x, ev.y) ? GUI_HANDLED : GUI_HANDLED_SKIP_CHILDREN;
}

bool TooltipBoxBehavior::tooltipTest(BaseGuiElement* el, float x, float y) {
  if (!el->containsPoint(x, y)) return false;
  const char* text = el->tooltipText();
  if (text && *text) {
    if (gui_hooks.show_tooltip) gui_hooks.show_tooltip(text);
  } else if (gui_hooks.hide_tooltip) {
    gui_hooks.hide_tooltip();
  }
  return true;
}
