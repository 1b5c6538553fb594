#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <cstring>
#include "render/buffers.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"
#include "tests/render/render_test_env.h"

namespace {
// The flat shader's registers: an offset scale and its colour.
constexpr int FLAT_OFFSET_SCALE = 0, FLAT_COLOUR = 0;
const char* FLAT_SHADER =
    "#version 330 core\n"
    "#define FLAT_OFFSET_SCALE 0\n"
    "#define FLAT_COLOUR 0\n"
    "#ifdef VSH\n"
    "layout(location = ATTR_POSITION) in vec3 pos;\n"
    "layout(location = ATTR_TEXCOORD1) in vec2 offset;\n"
    "void main() { gl_Position = vec4(pos.xy + offset * vs_c[FLAT_OFFSET_SCALE].x, pos.z, 1.0); }\n"
    "#endif\n"
    "#ifdef PSH\n"
    "out vec4 color;\n"
    "void main() { color = ps_c[FLAT_COLOUR]; ALPHA_TEST(color); }\n"
    "#endif\n";

int channel(uint32_t c, int shift) { return int((c >> shift) & 255); }

class DrawTest : public ::testing::Test {
protected:
  void SetUp() override {
    write_test_file("shaders/flat.sh", FLAT_SHADER);
    shader = create_shader("shaders/flat.sh", nullptr);
    target = create_render_texture(16, 16, TEXFMT_ARGB8);
    ASSERT_TRUE(shader && target);
    vb = create_vb(64 * 12, 0);
    const VDeclElem layout[] = {{0, 0, VDECL_FLOAT3, VDECL_POSITION, 0}, {0, 255, 0, 0, 0}};
    decl = get_vdecl(layout);
    set_render_target(target, 0, true);
    reset_render_state();
    set_cull_mode(0);
    set_shader(shader);
    float no_offset[4] = {0, 0, 0, 0};
    set_vs_const(FLAT_OFFSET_SCALE, no_offset, 1);
  }
  void TearDown() override {
    set_instancing(0);
    set_shader(nullptr);
    set_back_buffer_target();
    destroy_shader(shader);
    release_texture(target);
    free_vb(vb);
  }
  void setColor(float r, float g, float b, float a) {
    float c[4] = {r, g, b, a};
    set_ps_const(FLAT_COLOUR, c, 1);
  }
  // Triangles from clip-space corners (x, y, z per vertex).
  void drawTriangles(const float* xyz, int vertices) {
    void* p = lock_vb(vb, 0, vertices * 12);
    memcpy(p, xyz, size_t(vertices) * 12);
    unlock_vb(vb);
    set_vdecl(decl);
    set_vb(0, vb, 0, 12);
    draw_prim(PRIM_TRILIST, 0, vertices / 3);
  }
  void drawQuad(float x0, float y0, float x1, float y1, float z) {
    const float q[18] = {x0, y1, z, x1, y1, z, x0, y0, z, x1, y1, z, x1, y0, z, x0, y0, z};
    drawTriangles(q, 6);
  }
  uint32_t pixel(int x, int y) { return texture_pixel(target, x, y); }

  Shader* shader = nullptr;
  Texture* target = nullptr;
  BufferRecord* vb = nullptr;
  VertexDecl* decl = nullptr;
};
}  // namespace

TEST_F(DrawTest, ClearAndFullScreenQuadFillTheTarget) {
  clear_view(0xFF102030);
  EXPECT_EQ(pixel(5, 5), 0xFF102030u);
  setColor(1, 0, 0, 1);
  draw_postfx();
  EXPECT_EQ(pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(pixel(15, 15), 0xFFFF0000u);
}

TEST_F(DrawTest, UpperHalfOfClipSpaceIsTheTopRowsOfTheImage) {
  clear_view(0xFF000000);
  setColor(0, 1, 0, 1);
  drawQuad(-1, 0, 1, 1, 0.5f);
  EXPECT_EQ(pixel(8, 0), 0xFF00FF00u);
  EXPECT_EQ(pixel(8, 7), 0xFF00FF00u);
  EXPECT_EQ(pixel(8, 8), 0xFF000000u);
  EXPECT_EQ(pixel(8, 15), 0xFF000000u);
}

TEST_F(DrawTest, BlendModesCombineSourceAndDestination) {
  struct Case {
    void (*mode)();
    int red, green;  // expected over a destination of 64 with source (128, 64) alpha 0.5
  };
  const Case cases[] = {
      {set_blend_none, 128, 64},      {set_blend_additive, 192, 128}, {set_blend_alpha, 96, 64},
      {set_blend_prealpha, 160, 96},  {set_blend_smooth_add, 160, 112}, {set_blend_multiply, 32, 16},
  };
  for (const Case& c : cases) {
    set_blend_none();
    clear_view_color(0xFF404040);
    c.mode();
    setColor(128 / 255.f, 64 / 255.f, 0, 0.5f);
    draw_postfx();
    uint32_t p = pixel(3, 3);
    EXPECT_NEAR(channel(p, 16), c.red, 2) << "case " << (&c - cases);
    EXPECT_NEAR(channel(p, 8), c.green, 2) << "case " << (&c - cases);
  }
  set_blend_none();
}

TEST_F(DrawTest, AlphaTestDropsPixelsBelowTheReference) {
  clear_view(0xFF000000);
  set_atest(128);
  setColor(1, 1, 1, 0.25f);
  draw_postfx();
  EXPECT_EQ(pixel(4, 4), 0xFF000000u);
  setColor(1, 1, 1, 0.75f);
  draw_postfx();
  EXPECT_EQ(channel(pixel(4, 4), 16), 255);
  set_atest(0);
  setColor(0, 0, 1, 0.1f);
  draw_postfx();
  EXPECT_EQ(channel(pixel(4, 4), 0), 255);
}

TEST_F(DrawTest, CullingDropsCounterClockwiseTrianglesOnScreen) {
  clear_view(0xFF000000);
  set_cull_mode(1);
  setColor(1, 1, 1, 1);
  // Top-left, top-right, bottom-left: clockwise as seen on screen.
  const float cw[9] = {-1, 1, 0.5f, 1, 1, 0.5f, -1, -1, 0.5f};
  const float ccw[9] = {-1, 1, 0.5f, -1, -1, 0.5f, 1, 1, 0.5f};
  drawTriangles(ccw, 3);
  EXPECT_EQ(pixel(2, 2), 0xFF000000u);
  drawTriangles(cw, 3);
  EXPECT_EQ(pixel(2, 2), 0xFFFFFFFFu);
  set_cull_mode(0);
}

TEST_F(DrawTest, DepthRunsFromZeroAtTheNearPlaneToOneAtTheFar) {
  clear_view(0xFF000000);
  set_zenable(true);
  set_zwrite(true);
  setColor(1, 0, 0, 1);
  drawQuad(-1, -1, 1, 1, -0.05f);  // in front of the near plane: clipped
  EXPECT_EQ(pixel(8, 8), 0xFF000000u);
  drawQuad(-1, -1, 1, 1, 0.9f);
  EXPECT_EQ(pixel(8, 8), 0xFFFF0000u);
  setColor(0, 1, 0, 1);
  drawQuad(-1, -1, 1, 1, 0.95f);  // behind the first
  EXPECT_EQ(pixel(8, 8), 0xFFFF0000u);
  drawQuad(-1, -1, 1, 1, 0.05f);
  EXPECT_EQ(pixel(8, 8), 0xFF00FF00u);
  clear_view_z();
  setColor(0, 0, 1, 1);
  drawQuad(-1, -1, 1, 1, 0.99f);  // depth was reset to 1, colour kept
  EXPECT_EQ(pixel(8, 8), 0xFF0000FFu);
  set_zenable(false);
}

TEST_F(DrawTest, InstancingDrawsStreamZeroOncePerStreamOneRecord) {
  clear_view(0xFF000000);
  setColor(1, 1, 1, 1);
  // A quad in the top-left quarter, moved by per-instance offsets.
  const float quad[18] = {-1, 1, 0.5f, 0, 1, 0.5f, -1, 0, 0.5f, 0, 1, 0.5f, 0, 0, 0.5f, -1, 0, 0.5f};
  void* p = lock_vb(vb, 0, sizeof(quad));
  memcpy(p, quad, sizeof(quad));
  unlock_vb(vb);
  BufferRecord* inst = create_vb(4 * 8, BUFFER_STATIC);
  const float offsets[8] = {0, 0, 1, 0, 0, -1, 1, -1};
  memcpy(lock_vb(inst, 0, 0), offsets, sizeof(offsets));
  unlock_vb(inst);
  const VDeclElem layout[] = {{0, 0, VDECL_FLOAT3, VDECL_POSITION, 0}, {0, 1, VDECL_FLOAT2, VDECL_TEXCOORD, 1},
                              {0, 255, 0, 0, 0}};
  float scale[4] = {1, 0, 0, 0};
  set_vs_const(FLAT_OFFSET_SCALE, scale, 1);
  set_vdecl(get_vdecl(layout));
  set_vb(0, vb, 0, 12);
  set_vb(1, inst, 0, 8);
  set_instancing(3);  // three of the four offsets
  draw_prim(PRIM_TRILIST, 0, 2);
  EXPECT_EQ(pixel(4, 4), 0xFFFFFFFFu);    // offset (0, 0): top-left
  EXPECT_EQ(pixel(12, 4), 0xFFFFFFFFu);   // (1, 0): top-right
  EXPECT_EQ(pixel(4, 12), 0xFFFFFFFFu);   // (0, -1): bottom-left
  EXPECT_EQ(pixel(12, 12), 0xFF000000u);  // the fourth was not drawn
  set_instancing(0);
  set_vb(1, nullptr, 0, 0);
  free_vb(inst);
}

TEST_F(DrawTest, IndexedDrawsUseBaseVertexAndStartIndex) {
  clear_view(0xFF000000);
  setColor(1, 1, 0, 1);
  // Vertices 0..3 are junk, 4..7 the full-screen corners.
  const float verts[24] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, 1, 0.5f, 1, 1, 0.5f, -1, -1, 0.5f, 1, -1, 0.5f};
  memcpy(lock_vb(vb, 0, sizeof(verts)), verts, sizeof(verts));
  unlock_vb(vb);
  BufferRecord* ib = create_ib(9, BUFFER_STATIC);
  const uint16_t idx[9] = {9, 9, 9, 0, 1, 2, 1, 3, 2};
  memcpy(lock_ib(ib, 0, 0), idx, sizeof(idx));
  unlock_ib(ib);
  set_vdecl(decl);
  set_vb(0, vb, 0, 12);
  set_ib(ib);
  draw_indexed(PRIM_TRILIST, 4, 0, 4, 3, 2);
  EXPECT_EQ(pixel(1, 1), 0xFFFFFF00u);
  EXPECT_EQ(pixel(14, 14), 0xFFFFFF00u);
  set_ib(nullptr);
  free_ib(ib);
}

TEST_F(DrawTest, CopyAndGrabCopyWholeImages) {
  clear_view(0xFF123456);
  Texture* copy = create_render_texture(16, 16, TEXFMT_ARGB8);
  copy_texture(target, copy);
  EXPECT_EQ(texture_pixel(copy, 7, 7), 0xFF123456u);
  set_back_buffer_target();
  clear_view_color(0xFF654321);
  Texture* grabbed = create_scene_texture();
  EXPECT_TRUE(grab_back_buffer(grabbed));
  EXPECT_EQ(texture_pixel(grabbed, 1, 1), 0xFF654321u);
  EXPECT_FALSE(grab_back_buffer(nullptr));
  release_texture(copy);
  release_texture(grabbed);
}

TEST(CopyTextureDeathTest, NullSourceStopsTheProgram) {
  Texture* t = create_managed_texture(4, 4);
  EXPECT_EXIT(copy_texture(nullptr, t), testing::ExitedWithCode(100), "fromTex");
  release_texture(t);
}

TEST_F(DrawTest, ColorWriteMaskKeepsMaskedChannelsButClearsIgnoreIt) {
  clear_view(0xFF000000);
  set_color_write_mask(1);  // red only
  setColor(1, 1, 1, 1);
  draw_postfx();
  EXPECT_EQ(pixel(2, 2), 0xFFFF0000u);
  clear_view_color(0xFF00FF00);
  EXPECT_EQ(pixel(2, 2), 0xFF00FF00u);
  set_color_write_mask(15);
}

TEST_F(DrawTest, AnErrorLeftByAnEarlierCallDoesNotStopTheNextDraw) {
  glBindTexture(GL_TEXTURE_2D, 0x7FFFFFF0);  // not a texture name: an error
  clear_view(0xFF000000);
  setColor(0, 1, 0, 1);
  testing::internal::CaptureStdout();
  draw_postfx();
  EXPECT_NE(testing::internal::GetCapturedStdout().find("GL error 0x0502 before draw_postfx"), std::string::npos);
  EXPECT_EQ(pixel(1, 1), 0xFF00FF00u);
}
