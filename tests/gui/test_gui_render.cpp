// The GUI's drawing primitives rendered headless into a target and read back
// by pixel. With EH_GUI_IMAGE set, the picture is also written there as PNG.
#include <gtest/gtest.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#include <cstdlib>
#include <vector>
#include "gui/gui.h"
#include "render/device.h"
#include "render/dyn_vb_writer.h"
#include "render/render_state.h"
#include "render/textures.h"
#include "tests/render/render_test_env.h"

namespace {
constexpr int W = 160, H = 96;

void copy_data_file(const char* name) { copy_game_file(EH_BIN_DIR, name); }

int channel(uint32_t c, int shift) { return int((c >> shift) & 255); }

// Each channel within tol of the expected colour (alpha ignored).
testing::AssertionResult near_rgb(uint32_t got, uint32_t want, int tol) {
  for (int s : {16, 8, 0})
    if (std::abs(channel(got, s) - channel(want, s)) > tol)
      return testing::AssertionFailure() << std::hex << "got 0x" << got << ", want 0x" << want;
  return testing::AssertionSuccess();
}

void save_png(const std::vector<uint32_t>& argb) {
  const char* path = getenv("EH_GUI_IMAGE");
  if (!path) return;
  std::vector<uint8_t> rgba(argb.size() * 4);
  for (size_t i = 0; i < argb.size(); i++) {
    rgba[4 * i] = uint8_t(argb[i] >> 16);
    rgba[4 * i + 1] = uint8_t(argb[i] >> 8);
    rgba[4 * i + 2] = uint8_t(argb[i]);
    rgba[4 * i + 3] = 255;
  }
  stbi_write_png(path, W, H, 4, rgba.data(), W * 4);
}
}  // namespace

TEST(GuiRender, BoxImageLineAndIconLandWhereAndHowTheyShould) {
  for (const char* f : {"roundedBox.sh", "uiImage.sh", "worldIcon.sh", "shader_constants.h"}) copy_data_file(f);
  int savedW = d3d_wd, savedH = d3d_ht;
  d3d_wd = W;  // the primitives map pixels by the back buffer's size
  d3d_ht = H;
  common_vb_writer.init(COMMON_VB_SIZE);
  init_gui_runtime();
  Texture* target = create_render_texture(W, H, TEXFMT_ARGB8);
  Texture* image = create_managed_texture(2, 2);
  ASSERT_NE(target, nullptr);
  ASSERT_NE(image, nullptr);
  int pitch = 0;
  uint8_t* texels = lock_texture(image, &pitch, true);
  ASSERT_NE(texels, nullptr);
  const uint32_t quad[2][2] = {{0xFFFF0000, 0xFF00FF00}, {0xFF0000FF, 0xFFFFFFFF}};
  for (int y = 0; y < 2; y++) memcpy(texels + y * pitch, quad[y], 8);
  unlock_texture(image);
  UiImageBatchState imageState;
  init_ui_image_state(imageState, image, nullptr);
  init_ui_image_state(ui_image_state, nullptr, nullptr);  // as start-up makes it

  set_render_target(target, 0, false);
  clear_view(0xFF000000);
  render_rounded_box(gui_batch, _mm_setr_ps(10, 10, 70, 50), _mm_set1_ps(12), 0xFF3060C0, 1, 3, 1.3f, 0.7f,
                     0xFFFFFFFF, 2);
  render_ui_image(gui_batch, imageState, _mm_setr_ps(90, 10, 150, 50), 0xFFFFFFFF, _mm_setr_ps(0, 0, 1, 1));
  render_ui_line(gui_batch, _mm_setr_ps(80, 70, 150, 90), 3, 0xFFFFFF00);
  render_world_icon(gui_batch, 40, 75, 12, 0xFF40A040, 0xFFE0E0E0, 0xC08080FF);
  render_ui_image(gui_batch, ui_image_state, _mm_setr_ps(0, 90, 10, 96), 0xFF808080, _mm_setr_ps(0, 0, 1, 1));
  gui_batch.render();
  gui_batch.clear();
  set_back_buffer_target();

  std::vector<uint32_t> px(size_t(W) * H);
  ASSERT_TRUE(read_texture_pixels(target, px.data()));
  save_png(px);
  auto at = [&](int x, int y) { return px[size_t(y) * W + size_t(x)]; };
  // The box: its fill in the middle, brighter at the top than the bottom, a
  // white border, round corners with nothing in them, smooth edges.
  EXPECT_TRUE(near_rgb(at(40, 30), 0x3060C0, 12));
  EXPECT_GT(channel(at(40, 15), 0), channel(at(40, 45), 0) + 40);
  EXPECT_TRUE(near_rgb(at(40, 10), 0xFFFFFF, 40)) << "the border's outer pixel row";
  EXPECT_TRUE(near_rgb(at(11, 11), 0x000000, 8)) << "the rounded corner is empty";
  EXPECT_TRUE(near_rgb(at(5, 30), 0x000000, 8));
  // The image: each corner shows its texel, tinted white.
  EXPECT_TRUE(near_rgb(at(91, 11), 0xFF0000, 8));
  EXPECT_TRUE(near_rgb(at(148, 11), 0x00FF00, 8));
  EXPECT_TRUE(near_rgb(at(91, 48), 0x0000FF, 8));
  EXPECT_TRUE(near_rgb(at(148, 48), 0xFFFFFF, 8));
  EXPECT_TRUE(near_rgb(at(89, 30), 0x000000, 8)) << "nothing left of the image";
  // The line: yellow on its middle, black beside it.
  EXPECT_TRUE(near_rgb(at(115, 80), 0xFFFF00, 40));
  EXPECT_TRUE(near_rgb(at(115, 86), 0x000000, 8));
  // The icon: a lit green disc, an outline, a bluish halo beyond it.
  EXPECT_GT(channel(at(37, 72), 8), 120);
  EXPECT_LT(channel(at(37, 72), 16), 100);
  EXPECT_GT(channel(at(40 + 15, 75), 0), 20) << "the halo";
  EXPECT_TRUE(near_rgb(at(40 + 25, 75), 0x000000, 8));
  // The host's state without texture draws plain colour.
  EXPECT_TRUE(near_rgb(at(5, 93), 0x808080, 8));

  release_texture(image);
  release_texture(target);
  close_gui_runtime();
  common_vb_writer.release();
  d3d_wd = savedW;
  d3d_ht = savedH;
}
