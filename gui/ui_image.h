#pragma once
// Images on screen: textured quads tinted by a colour, drawn with
// "uiImage.sh" (or a shader of the caller's with the same vertex).
#include <xmmintrin.h>
#include "gui/gui_render_state.h"
#include "render/render_types.h"

struct Shader;
struct Texture;

// A state without texture draws plain colour.
class UiImageBatchState : public GuiBatchState {
public:
  void begin(BaseRenderBatchState* prev) override;
};

void init_ui_image_render();
void close_ui_image_render();
// Gives the state the image vertex, the shader (null: "uiImage.sh") and the
// texture (null: plain colour).
void init_ui_image_state(UiImageBatchState& state, Texture* tex, Shader* shader);
// rect: x0, y0, x1, y1 in screen pixels; uv: u0, v0, u1, v1 of the texture.
void render_ui_image(RenderBatch& batch, UiImageBatchState& state, __m128 rect, D3dColor color, __m128 uv);

// The host's image state, made without texture or shader at start-up; the
// module sets its texture before drawing with it.
extern UiImageBatchState ui_image_state;
