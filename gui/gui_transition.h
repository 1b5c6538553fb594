#pragma once
// Eased changes of four-float properties (colours, offsets): a style sheet
// names the ids with a GuiTransition as their animation source, and when
// restyling changes such a value the element eases from what it showed to
// the new value instead of jumping.
#include <cstdint>
#include "gui/gui_property.h"

struct BaseGuiElement;

struct GuiTransition : GuiTextProperty {
  float seconds;
  // ids: a byte string of the property ids that ease (never empty: only
  // four-float properties can).
  GuiTransition(const char* ids, float seconds) : GuiTextProperty(GUI_PROP_ANIMATION, ids), seconds(seconds) {}
};

struct GuiEaseAnimation : GuiAnimation {
  __m128 from, to;
  int64_t start;  // get_ref_time ticks
  float seconds;
  GuiEaseAnimation(__m128 from, __m128 to, int64_t start, float seconds)
      : from(from), to(to), start(start), seconds(seconds) {}
  __m128 value() const override;
};

// What restyling needs: the values shown before the slots change, and the
// eased animations from them afterwards.
struct GuiTransitionSnapshot {
  __m128 shown[NUM_GUI_PROPS];
  float seconds[NUM_GUI_PROPS];  // 0: the id does not ease
};
void snapshot_transitions(BaseGuiElement* el, BaseGuiProperty* const* sources, GuiTransitionSnapshot& snap);
void start_transitions(BaseGuiElement* el, const GuiTransitionSnapshot& snap);
