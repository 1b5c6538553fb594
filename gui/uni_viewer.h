#pragma once
// "uni_viewer": pans the universe map with a held button, zooms it with the
// wheel about the cursor and with a right-button drag about the point where
// the drag is. The element carries the view (BaseGuiElement::universeView).
#include "gui/gui_behavior.h"

struct UniverseView;

struct UniViewerBehavior : NewGuiEventHandler {
  static constexpr int MASK = GUI_EV_MOUSE_ENTER | GUI_EV_MOUSE_LEAVE | GUI_EV_BUTTON_UP |
                              GUI_EV_BUTTON_DOWN | GUI_EV_MOUSE_MOVE | GUI_EV_MOUSE_WHEEL | GUI_EV_RESET;
  UniViewerBehavior() : NewGuiEventHandler(MASK) {}
  int handleEvent(NewGuiEvent& ev, BaseGuiElement* el, int mode) override;
  void reset(BaseGuiElement* el) override;
};

extern UniViewerBehavior uni_viewer_behavior;

// The smallest extent a view zooms to, in universe units.
constexpr float UNIVERSE_MIN_EXTENT = 160.f;

// Scales the extent by max(1 + amount, 0.1), at most twice the bounds' larger
// side and at least UNIVERSE_MIN_EXTENT, keeping the universe point under
// the screen point (qx, qy) where it is; the centre stays inside the bounds.
void zoom_universe_view(UniverseView& view, float qx, float qy, float amount);
// Moves the centre into the bounds.
void clamp_universe_view(UniverseView& view);
