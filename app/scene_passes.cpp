// Every renderer the scene draws with, in one table, so what the frame
// contains is visible in one place.
#include "app/scene_passes.h"

#include "debug/debug_vis.h"
#include "effects/common_fx.h"
#include "gameobj_host/gameobj_functions.h"

namespace {

// The module draws its development overlay between start and end.
void render_debug_overlay(float dt) {
  start_draw_debug_vis();
  if (gameobj_functions.render_debug_vis_gameobj) gameobj_functions.render_debug_vis_gameobj(dt);
  end_draw_debug_vis();
}

}  // namespace

ScenePasses game_scene_passes() {
  ScenePasses p{};
  p.render_debug = render_debug_overlay;
  p.render_effects = render_common_fx;
  return p;
}
