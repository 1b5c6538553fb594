#pragma once
// Element properties. An element's 31 slots each point at the property that
// gives the element its value for that id: one the element owns, or one of a
// style sheet's. Properties, animations and listeners live on the engine's
// heap, so elements that outlive a module reload keep valid memory.
#include <xmmintrin.h>
#include "core/allocator.h"
#include "core/check.h"

constexpr int NUM_GUI_PROPS = 31;  // ids 1..31

enum GuiPropertyId {
  // Only in style sheets: a list of behaviour names ("a\0b\0", ended by an
  // empty name) to attach to the matched elements.
  GUI_PROP_BEHAVIORS = -1,
  // Only in style sheets: the animation source of the ids listed in its
  // byte string (all ids when the string is empty).
  GUI_PROP_ANIMATION = -2,
  GUI_PROP_OFFSET = 19,   // __m128: left, top, right, bottom insets
  GUI_PROP_PRESSED = 23,  // bool
  GUI_PROP_CHECKED = 24,  // bool
  GUI_PROP_HOVERED = 25,  // bool
};

struct GuiHeapObject {
  static void* operator new(size_t size) {
    void* p = dlmalloc(size);
    ASSERT(p);
    return p;
  }
  static void operator delete(void* p) { dlfree(p); }
};

struct BaseGuiProperty : GuiHeapObject {
  int id;
  BaseGuiProperty* next = nullptr;  // the next property of the same owner
  explicit BaseGuiProperty(int id) : id(id) {}
  virtual ~BaseGuiProperty() = default;
};

template <typename T>
struct GuiProperty : BaseGuiProperty {
  T value;
  GuiProperty(int id, T value) : BaseGuiProperty(id), value(value) {}
};

// The four-float property (a vector type cannot be a template argument
// without losing its attributes).
struct GuiVecProperty : BaseGuiProperty {
  __m128 value;
  GuiVecProperty(int id, __m128 value) : BaseGuiProperty(id), value(value) {}
};
using GuiBoolProperty = GuiProperty<bool>;

// The payload of GUI_PROP_BEHAVIORS ("name\0name\0", the literal's own final
// zero ending the list) and GUI_PROP_ANIMATION (property ids as bytes).
using GuiTextProperty = GuiProperty<const char*>;

// A running animation of one property; the module makes them from the
// animation sources a style gives. The runtime reads their current value and
// drops them when the element's resolved properties change.
struct GuiAnimation : GuiHeapObject {
  virtual ~GuiAnimation() = default;
  virtual __m128 value() const = 0;
};
