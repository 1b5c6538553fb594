#include "gui/gui_render_state.h"
#include "render/device.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"

void GuiBatchState::begin(BaseRenderBatchState* prev) {
  float c[4] = {2.f / float(d3d_wd), -2.f / float(d3d_ht), -1.f, 1.f};
  set_vs_const(0, c, 1);
  set_blend_prealpha();
  set_zenable(false);
  set_zwrite(false);
  set_cull_mode(0);
  StdRenderBatchState::begin(prev);
  set_texture_filter(0, true);
  set_texture_address(0, 1, -1, -1);
}
