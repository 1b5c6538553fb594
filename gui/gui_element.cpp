#include "gui/gui_element.h"
#include "gui/gui_behavior.h"
#include "gui/gui_destruction.h"
#include "gui/gui_screen.h"

BaseGuiElement::~BaseGuiElement() {
  forget_queued_element(this);
  forget_element_in_screens(this);
  if (parent) parent->removeChild(this);
  for (BaseGuiElement* child : children) {
    child->parent = nullptr;
    delete child;
  }
  children.clear();
  while (ownProps) {
    BaseGuiProperty* p = ownProps;
    ownProps = p->next;
    delete p;
  }
  dropAnimations();
}

void BaseGuiElement::addChild(BaseGuiElement* child) { insertChild(children.num, child); }

void BaseGuiElement::insertChild(int at, BaseGuiElement* child) {
  ASSERT(child && child != this);
  if (child->parent) child->parent->removeChild(child);
  children.insert(at, 1, &child);
  child->parent = this;
  child->dirty = true;
  dirty = true;
}

void BaseGuiElement::removeChild(BaseGuiElement* child) {
  for (int i = 0; i < children.num; i++) {
    if (children[i] == child) {
      children.erase(i, 1);
      child->parent = nullptr;
      dirty = true;
      return;
    }
  }
}

void BaseGuiElement::markDirty() {
  // Selectors may look at children, so the parent is restyled too.
  dirty = true;
  if (parent) parent->dirty = true;
}

bool BaseGuiElement::hasBehavior(const NewGuiEventHandler* h) const {
  for (const NewGuiEventHandler* b : behaviors)
    if (b == h) return true;
  return false;
}

bool BaseGuiElement::attachBehavior(NewGuiEventHandler* h) {
  if (hasBehavior(h)) return false;
  behaviors.append(h);
  h->attach(this);
  eventMask |= h->mask;
  return true;
}

void BaseGuiElement::dropAnimations() {
  for (GuiAnimation*& a : animations) {
    delete a;
    a = nullptr;
  }
}

void BaseGuiElement::layout(float px0, float py0, float px1, float py1) {
  alignas(16) float box[4];
  _mm_store_ps(box, currentVec(GUI_PROP_OFFSET));
  x0 = px0 + box[0] * uiScale;
  y0 = py0 + box[1] * uiScale;
  x1 = px1 - box[2] * uiScale;
  y1 = py1 - box[3] * uiScale;
  for (BaseGuiElement* child : children) child->layout(x0, y0, x1, y1);
}

void BaseGuiElement::draw(float dt) {
  for (int i = 0; i < children.num; i++)
    if (!children[i]->isHidden()) children[i]->draw(dt);
}
