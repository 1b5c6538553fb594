#include "gui/gui_transition.h"
#include <algorithm>
#include <cstring>
#include "core/ref_time.h"
#include "gui/gui_element.h"

__m128 GuiEaseAnimation::value() const {
  float t = seconds > 0 ? get_time_sec(get_ref_time() - start) / seconds : 1.f;
  t = std::clamp(t, 0.f, 1.f);
  t = t * t * (3.f - 2.f * t);
  return _mm_add_ps(from, _mm_mul_ps(_mm_sub_ps(to, from), _mm_set1_ps(t)));
}

namespace {
bool is_vec(const BaseGuiProperty* p) { return p && dynamic_cast<const GuiVecProperty*>(p); }
}  // namespace

void snapshot_transitions(BaseGuiElement* el, BaseGuiProperty* const* sources, GuiTransitionSnapshot& snap) {
  for (int i = 0; i < NUM_GUI_PROPS; i++) {
    snap.seconds[i] = 0;
    auto* t = dynamic_cast<const GuiTransition*>(sources[i]);
    // Only a value that was there and is a four-float one can ease.
    if (!t || !(t->seconds > 0) || !is_vec(el->property(i + 1))) continue;
    snap.seconds[i] = t->seconds;
    snap.shown[i] = el->currentVec(i + 1);
  }
}

void start_transitions(BaseGuiElement* el, const GuiTransitionSnapshot& snap) {
  int64_t now = get_ref_time();
  for (int i = 0; i < NUM_GUI_PROPS; i++) {
    if (snap.seconds[i] == 0 || !is_vec(el->property(i + 1))) continue;
    __m128 to = el->vecProperty(i + 1);
    if (memcmp(&to, &snap.shown[i], sizeof(to)) == 0) continue;
    delete el->animations[i];
    el->animations[i] = new GuiEaseAnimation(snap.shown[i], to, now, snap.seconds[i]);
  }
}
