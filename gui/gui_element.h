#pragma once
// GUI elements: a tree with behaviours, property slots, a rectangle and
// listener lists. The module's element classes derive from GuiElement and
// override the virtual operations below; the runtime fixes the fields it
// reads and writes.
#include <cstdint>
#include "core/dyn_array.h"
#include "gui/gui_listeners.h"
#include "gui/gui_property.h"

struct BaseGuiElement;
struct NewGuiEventHandler;
struct UniverseView;

// Flag word bits.
constexpr unsigned GUI_FLAG_SLIDER_THUMB = 0x400;

using GuiPressListeners = GuiListenerList<>;
using GuiReleaseListeners = GuiListenerList<>;
using GuiClickListeners = GuiListenerList<BaseGuiElement*, int>;  // element, button or key code
using GuiValueListeners = GuiListenerList<bool>;    // the element's checked value
using GuiCheckedListeners = GuiListenerList<bool>;  // the new checked value

struct BaseGuiElement : GuiHeapObject {
  BaseGuiElement* parent = nullptr;
  DynArray<BaseGuiElement*> children;
  DynArray<NewGuiEventHandler*> behaviors;  // no duplicates
  int eventMask = 0;                        // union of the behaviours' masks
  // Slot of id i at [i - 1]: a property pointer whose lowest bit is 1 when
  // the element owns the value, 0 when a style sheet gives it.
  uintptr_t slots[NUM_GUI_PROPS] = {};
  BaseGuiProperty* ownProps = nullptr;
  GuiAnimation* animations[NUM_GUI_PROPS] = {};
  BaseGuiProperty* animationSources[NUM_GUI_PROPS] = {};  // from the style
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;                  // screen pixels, set by layout
  unsigned flags = 0;
  bool dirty = true;  // a new element has not been styled yet
  GuiPressListeners pressListeners;
  GuiReleaseListeners releaseListeners;
  GuiClickListeners clickListeners;
  GuiValueListeners valueListeners;
  GuiCheckedListeners checkedListeners;
  float uiScale = 1.f;  // slider offsets are divided by it

  BaseGuiElement() = default;
  BaseGuiElement(const BaseGuiElement&) = delete;
  BaseGuiElement& operator=(const BaseGuiElement&) = delete;
  // Leaves the parent, destroys the children, and is forgotten by every
  // screen and by the destruction queue.
  virtual ~BaseGuiElement();
  virtual bool isHidden() const { return false; }
  virtual bool isEnabled() const { return true; }
  // Called by restyling after the slots changed; the module reads its
  // resolved values (defaults for empty slots) here.
  virtual void resolveProperties() {}
  // Places the element in its parent's rectangle: inset by the offset box
  // times the UI scale, then the children inside it.
  virtual void layout(float px0, float py0, float px1, float py1);
  // The text the tooltip box shows over the element; null for none.
  virtual const char* tooltipText() const { return nullptr; }
  // The view a "uni_viewer" behaviour drives; null for other elements.
  virtual UniverseView* universeView() { return nullptr; }
  // Draws the element; the default draws the visible children in order.
  virtual void draw(float dt);

  // ---- tree ----
  void addChild(BaseGuiElement* child);
  void insertChild(int at, BaseGuiElement* child);
  void removeChild(BaseGuiElement* child);  // the child lives on, without parent

  // ---- properties ----
  BaseGuiProperty* property(int id) const {
    return reinterpret_cast<BaseGuiProperty*>(slots[id - 1] & ~uintptr_t(1));
  }
  bool ownsProperty(int id) const { return slots[id - 1] & 1; }
  bool boolProperty(int id) const {
    BaseGuiProperty* p = property(id);
    return p && static_cast<GuiBoolProperty*>(p)->value;
  }
  __m128 vecProperty(int id) const {
    BaseGuiProperty* p = property(id);
    return p ? static_cast<GuiVecProperty*>(p)->value : _mm_setzero_ps();
  }
  // The animated value when an animation runs, else the property's.
  __m128 currentVec(int id) const {
    return animations[id - 1] ? animations[id - 1]->value() : vecProperty(id);
  }
  // Sets an own value; unless silent, the element and its parent need
  // restyling when the value changed.
  void setBool(int id, bool value, bool silent = false) { setOwn<GuiBoolProperty>(id, value, silent); }
  void setVec(int id, __m128 value, bool silent = false) { setOwn<GuiVecProperty>(id, value, silent); }
  void markDirty();

  bool pressed() const { return boolProperty(GUI_PROP_PRESSED); }
  bool checked() const { return boolProperty(GUI_PROP_CHECKED); }
  bool hovered() const { return boolProperty(GUI_PROP_HOVERED); }

  // ---- behaviours ----
  bool hasBehavior(const NewGuiEventHandler* h) const;
  // Appends the behaviour unless attached, calls its attach operation and
  // takes its mask; false when it was attached already.
  bool attachBehavior(NewGuiEventHandler* h);
  // Drops every animation (their values no longer follow the slots).
  void dropAnimations();

  // Inside means x0 < x <= x1 and y0 < y <= y1: neighbours sharing an edge
  // never both claim a point.
  bool containsPoint(float x, float y) const { return x0 < x && x <= x1 && y0 < y && y <= y1; }

 private:
  template <typename P, typename V>
  void setOwn(int id, const V& value, bool silent);
};

// The base of the module's element classes.
struct GuiElement : BaseGuiElement {};

// Elements that carry the view of the universe map.
struct UniverseView {
  float cx = 0, cy = 0;  // centre, universe units
  float extent = 160;    // visible size, universe units
  float minX = 0, minY = 0, maxX = 0, maxY = 0;
  float offsetX = 0, offsetY = 0;  // screen point of the universe origin
  float scale = 1;                 // screen pixels per universe unit
  bool dragging = false;
  float anchorX = 0, anchorY = 0;
  bool zoomDrag = false;
};

template <typename P, typename V>
void BaseGuiElement::setOwn(int id, const V& value, bool silent) {
  ASSERT(id>0 && id<=NUM_GUI_PROPS);
  uintptr_t& slot = slots[id - 1];
  if (slot & 1) {
    auto* own = static_cast<P*>(reinterpret_cast<BaseGuiProperty*>(slot & ~uintptr_t(1)));
    if (memcmp(&own->value, &value, sizeof(V)) == 0) return;
    own->value = value;
  } else {
    auto* own = new P(id, value);
    own->next = ownProps;
    ownProps = own;
    slot = reinterpret_cast<uintptr_t>(static_cast<BaseGuiProperty*>(own)) | 1;
  }
  if (!silent) markDirty();
}
