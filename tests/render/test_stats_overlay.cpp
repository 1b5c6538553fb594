// The statistics panel's layout at 1920 x 1080 with an 8-pixel font cell:
// panel 288 x 336 at the bottom right, 4-pixel bars at most 270 tall, red
// for frames over the update step, greener the more recent.
#include <gtest/gtest.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "app/stats_overlay.h"
#include "render/bitmap_font.h"
#include "render/device.h"
#include "render/dyn_vb_writer.h"
#include "render/render_state.h"
#include "render/textures.h"
#include "tests/render/render_test_env.h"

namespace {
constexpr int STEP = 50000;

// A font image of blank 8 x 8 cells: only the panel and bars show.
std::string blank_font_tga() {
  std::string t(18, '\0');
  t[2] = 2;
  t[12] = char(128), t[14] = char(128), t[16] = 32;
  t.append(size_t(128 * 128 * 4), '\0');
  return t;
}

class StatsOverlayTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"font.sh", "shader_constants.h"}) {
      std::ifstream shader(std::string(EH_DATA_SOURCE_DIR) + "/" + name);
      std::stringstream text;
      text << shader.rdbuf();
      write_test_file(name, text.str());
    }
    write_test_file("font.tga", blank_font_tga());
    ASSERT_TRUE(reset_d3d(1920, 1080, false, true));
    common_vb_writer.init(COMMON_VB_SIZE);
    init_bitmap_font();
  }
  void TearDown() override {
    close_bitmap_font();
    common_vb_writer.release();
    reset_d3d(64, 48, false, true);
  }
};
}  // namespace

TEST(StatsRing, SummaryRoundsTheAverage) {
  int ring[TIMING_RING_SIZE] = {};
  ring[0] = 100;
  RingSummary s = summarize_ring(ring);
  EXPECT_EQ(s.max, 100);
  EXPECT_EQ(s.min, 0);
  EXPECT_EQ(s.avg, 1);  // (100 + 100) / 200
  for (int& v : ring) v = -1;
  EXPECT_EQ(summarize_ring(ring).max, -1);  // no GPU figures
}

TEST_F(StatsOverlayTest, PanelAndBarsAtFullHd) {
  FrameStats st = {};
  for (int i = 0; i < TIMING_RING_SIZE; i++) {
    st.frameUsec[i] = 20000;
    st.updateUsec[i] = 3000;
    st.gpuLoad[i] = -1;
  }
  st.frameUsec[10] = 60000;    // over the step: red
  st.frameUsec[150] = 900000;  // taller than the graph: cut at its height
  st.fps = 60;
  set_back_buffer_target();
  clear_view(0xFF808080);
  start_draw_text();
  draw_stats_panel(st, STEP, 0, 1920, 1080);
  end_draw_text();
  std::vector<uint32_t> px(size_t(1920) * 1080);
  read_back_buffer_pixels(px.data());
  auto at = [&](int x, int y) { return px[size_t(y) * 1920 + size_t(x)]; };
  // Frame-time graph on the right: x0 = 1920 - 200 * 4, bar i at x0 + 3 + 4i.
  auto bar_x = [](int i) { return 1120 + 3 + 4 * i; };
  EXPECT_EQ(at(bar_x(10), 100), 0xFF060000u);   // red, old: 0.5 * 10/200
  EXPECT_EQ(at(bar_x(199), 20), 0xFF007F00u);   // green, newest
  EXPECT_EQ(at(bar_x(100), 20), 0xFF004000u);   // green, half as bright
  EXPECT_EQ(at(bar_x(100), 60), at(1121, 60));  // 20 ms fills 54 of 270 rows
  EXPECT_EQ(at(bar_x(150), 269), 0xFF600000u);  // red, 0.5 * 150/200
  EXPECT_NE(at(bar_x(150), 271), 0xFF600000u);
  EXPECT_EQ(at(1118, 10), 0xFF808080u);  // left of the frame graph
  // Update-time graph on the left, from x = 0.
  EXPECT_EQ(at(3 + 4 * 199, 5) & 0xFF00FF00, 0xFF007F00u);
  // Panel: 12 x 14 units of 24 pixels in the bottom-right corner.
  uint32_t panel = at(1920 - 288, 1080 - 336);
  EXPECT_NE(panel, 0xFF808080u);
  EXPECT_EQ(at(1919, 1079), panel);
  EXPECT_EQ(at(1920 - 289, 1079), 0xFF808080u);
  EXPECT_EQ(at(1920 - 288, 1080 - 337), 0xFF808080u);
}
