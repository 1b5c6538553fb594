#include "gui/ui_image.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"

UiImageBatchState ui_image_state;

namespace {
struct UiImageVertex {
  float x, y;
  D3dColor color;
  float u, v;
};
static_assert(sizeof(UiImageVertex) == 20, "image vertices are 20 bytes");

const VDeclElem UI_IMAGE_LAYOUT[] = {{0, 0, VDECL_FLOAT2, VDECL_POSITION, 0},
                                     {8, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
                                     {12, 0, VDECL_FLOAT2, VDECL_TEXCOORD, 0},
                                     {0, VDECL_END_STREAM, 0, 0, 0}};

Shader* image_shader = nullptr;
Texture* white = nullptr;  // stands in for a missing texture
}  // namespace

void UiImageBatchState::begin(BaseRenderBatchState* prev) {
  GuiBatchState::begin(prev);
  if (!tex) set_texture(0, white);
}

void init_ui_image_render() {
  if (image_shader) return;
  image_shader = create_shader("uiImage.sh", nullptr);
  white = create_managed_texture(1, 1);
  int pitch = 0;
  if (uint8_t* p = white ? lock_texture(white, &pitch, true) : nullptr) {
    memset(p, 0xFF, 4);
    unlock_texture(white);
  }
  if (ui_image_state.vdecl && !ui_image_state.shader) ui_image_state.shader = image_shader;
}

void close_ui_image_render() {
  if (ui_image_state.shader == image_shader) ui_image_state.shader = nullptr;
  if (image_shader) destroy_shader(image_shader);
  if (white) release_texture(white);
  image_shader = nullptr;
  white = nullptr;
}

void init_ui_image_state(UiImageBatchState& state, Texture* tex, Shader* shader) {
  state.shader = shader ? shader : image_shader;
  state.vdecl = get_vdecl(UI_IMAGE_LAYOUT);
  state.stride = int(sizeof(UiImageVertex));
  state.tex = tex;
}

void render_ui_image(RenderBatch& batch, UiImageBatchState& state, __m128 rect, D3dColor color, __m128 uv) {
  alignas(16) float r[4], t[4];
  _mm_store_ps(r, rect);
  _mm_store_ps(t, uv);
  for (float v : r)
    if (!std::isfinite(v)) return;
  if (!(r[2] > r[0] && r[3] > r[1])) return;
  BatchRect box = {r[0], r[1], r[2], r[3]};
  auto* v = static_cast<UiImageVertex*>(batch.add(&state, box, 6 * int(sizeof(UiImageVertex)), 2));
  UiImageVertex a = {r[0], r[1], color, t[0], t[1]};
  UiImageVertex b = {r[2], r[1], color, t[2], t[1]};
  UiImageVertex c = {r[2], r[3], color, t[2], t[3]};
  UiImageVertex d = {r[0], r[3], color, t[0], t[3]};
  v[0] = a;
  v[1] = b;
  v[2] = c;
  v[3] = a;
  v[4] = c;
  v[5] = d;
}
