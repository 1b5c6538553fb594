// Every renderer the scene draws with, in one table, so what the frame
// contains is visible in one place.
#include "app/scene_passes.h"

#include "debug/debug_vis.h"
#include "effects/common_fx.h"
#include "gameobj_host/gameobj_functions.h"
#include "render/land_render.h"
#include "render/shadows.h"

namespace {

// The module draws its development overlay between start and end.
void render_debug_overlay(float dt) {
  start_draw_debug_vis();
  if (gameobj_functions.render_debug_vis_gameobj) gameobj_functions.render_debug_vis_gameobj(dt);
  end_draw_debug_vis();
}

// The module's objects: instanced meshes and the balls of their shadows.
void render_objects(float dt) {
  if (gameobj_functions.render_gameobj) gameobj_functions.render_gameobj(dt);
}
void render_object_shadows(float dt) {
  if (gameobj_functions.render_gameobj_shadow) gameobj_functions.render_gameobj_shadow(dt);
}

}  // namespace

ScenePasses game_scene_passes() {
  ScenePasses p{};
  p.prepare_land = prepare_land_render;
  p.draw_land = draw_land;
  p.draw_water = draw_water;
  p.draw_lava = draw_lava;
  p.draw_horizon = draw_horizon;
  p.render_objects = render_objects;
  p.render_object_shadows = render_object_shadows;
  p.start_shadows = start_render_shadows;
  p.end_shadows = end_render_shadows;
  p.render_debug = render_debug_overlay;
  p.render_effects = render_common_fx;
  return p;
}
