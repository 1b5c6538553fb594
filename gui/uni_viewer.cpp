#include "gui/uni_viewer.h"
#include <algorithm>
#include "gui/gui_element.h"

UniViewerBehavior uni_viewer_behavior;

void clamp_universe_view(UniverseView& v) {
  v.cx = std::clamp(v.cx, std::min(v.minX, v.maxX), std::max(v.minX, v.maxX));
  v.cy = std::clamp(v.cy, std::min(v.minY, v.maxY), std::max(v.minY, v.maxY));
}

void zoom_universe_view(UniverseView& v, float qx, float qy, float amount) {
  float e = v.extent * std::max(1.f + amount, 0.1f);
  e = std::min(e, 2.f * std::max(v.maxX - v.minX, v.maxY - v.minY));
  e = std::max(e, UNIVERSE_MIN_EXTENT);
  if (!(v.scale > 0) || !(v.extent > 0)) {
    v.extent = e;
    return;
  }
  // The screen centre, where the view's centre is drawn.
  float sx = v.offsetX + v.cx * v.scale, sy = v.offsetY + v.cy * v.scale;
  float px = (qx - v.offsetX) / v.scale, py = (qy - v.offsetY) / v.scale;
  // p stays under q: c' = p - (p - c) e'/e.
  float k = e / v.extent;
  v.cx = px - (px - v.cx) * k;
  v.cy = py - (py - v.cy) * k;
  clamp_universe_view(v);
  v.scale /= k;
  v.extent = e;
  v.offsetX = sx - v.cx * v.scale;
  v.offsetY = sy - v.cy * v.scale;
}

int UniViewerBehavior::handleEvent(NewGuiEvent& e, BaseGuiElement* el, int) {
  UniverseView* v = el->universeView();
  if (!v) return GUI_NOT_HANDLED;
  if (e.type == GUI_EV_RESET || e.type == GUI_EV_MOUSE_ENTER || e.type == GUI_EV_MOUSE_LEAVE) {
    v->dragging = false;
    return e.type == GUI_EV_RESET ? GUI_NOT_HANDLED : GUI_HANDLED;
  }
  if (!el->isEnabled()) return GUI_NOT_HANDLED;
  auto& ev = static_cast<NewGuiInputEvent&>(e);
  float x = ev.in.x, y = ev.in.y;
  if (ev.type == GUI_EV_BUTTON_DOWN && !v->dragging) {
    v->anchorX = x;
    v->anchorY = y;
    v->zoomDrag = (ev.in.flags & INPUT_RBUTTON) != 0;
    v->dragging = true;
  } else if (ev.type == GUI_EV_BUTTON_UP) {
    v->dragging = false;
  } else if (ev.type == GUI_EV_MOUSE_WHEEL) {
    zoom_universe_view(*v, x, y, -0.2f * float(ev.in.wheel));
    el->markDirty();
  }
  if (v->dragging) {
    if (v->zoomDrag) {
      zoom_universe_view(*v, v->anchorX, v->anchorY, 0.01f * ((y - v->anchorY) - (x - v->anchorX)));
    } else if (v->scale > 0) {
      float cx = v->cx, cy = v->cy;
      v->cx -= (x - v->anchorX) / v->scale;
      v->cy -= (y - v->anchorY) / v->scale;
      clamp_universe_view(*v);
      // The origin moves on screen with the centre.
      v->offsetX -= (v->cx - cx) * v->scale;
      v->offsetY -= (v->cy - cy) * v->scale;
    }
    v->anchorX = x;
    v->anchorY = y;
    el->markDirty();
  }
  return GUI_HANDLED;
}

void UniViewerBehavior::reset(BaseGuiElement* el) {
  if (UniverseView* v = el->universeView()) v->dragging = false;
}
