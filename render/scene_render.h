#pragma once
// The 3D world drawn into scene_image: the forward pipeline at quality 0,
// the deferred one at quality 1. The game mode sets the frame's camera on the
// device (set_view_tm, set_proj_tm with the far distance 512) first; the
// frame is then put on the back buffer by compose_frame.
#include "render/draw_state.h"

// What the scene is made of, from the subsystems that draw it. The
// application fills this at start-up; an empty entry is skipped (and named
// in the log when the table is set).
struct ScenePasses {
  void (*prepare_land)(float dt);
  void (*draw_land)();
  void (*draw_water)(float k);
  void (*draw_lava)(float k);
  void (*draw_horizon)();
  void (*render_objects)(float dt);
  void (*render_object_shadows)(float dt);  // between the two below
  void (*start_shadows)();
  void (*end_shadows)();
  void (*render_debug)(float dt);
  void (*render_effects)(float dt, float k);
};

void set_scene_passes(const ScenePasses& passes);

// Quality 1: the low-resolution textures and the deferred shaders.
void init_deferred_scene();
void close_deferred_scene();
// After a resize: the low-resolution textures follow the new size.
void scene_after_reset();

// dt: seconds since the last update.
void render_scene(float dt);

// The state the scene applied for the pass it is running (targets, depth,
// stencil marks, wireframe). A pass that needs to change part of it, such as
// its blending, applies a copy with that part changed; the scene applies its
// own again before the next pass.
const DrawState& scene_pass_state();

// The wireframe view: grey background, no sky.
extern bool use_wireframe;
