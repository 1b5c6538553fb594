#pragma once
// Event dispatch through the element tree and hit testing.
#include "gui/gui_events.h"

struct BaseGuiElement;

// Asks the element's behaviours whose mask has the event's type, in order;
// the first non-zero answer counts. An element whose mask lacks the type is
// skipped at once.
int deliver_event(NewGuiEvent& ev, BaseGuiElement* el, int mode);
// Dispatches by GuiDispatchMode; a null target gives 0. stop bounds the
// walk up the tree (top-down and bubble modes); null means the root.
int send_event(NewGuiEvent& ev, BaseGuiElement* target, int mode, BaseGuiElement* stop);
// The deepest element of the tree under the point whose "solid_box" claims
// it, the first in child order among siblings; null when none does.
BaseGuiElement* hit_test(BaseGuiElement* root, float x, float y);
