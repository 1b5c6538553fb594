// The bitmap font: TGA reading, glyph cutting, and text drawn headless into
// the back buffer where calc_text_size says, with its shadow.
#include <gtest/gtest.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "core/debug.h"
#include "render/bitmap_font.h"
#include "render/device.h"
#include "render/render_batch.h"
#include "render/dyn_vb_writer.h"
#include "render/overlay_text.h"
#include "render/render_state.h"
#include "render/text_wrap.h"
#include "render/textures.h"
#include "render/tga_reader.h"
#include "tests/render/render_test_env.h"

namespace {
constexpr int CELL = 8;

std::vector<uint8_t> tga_header(int type, int bpp, int w, int h, int id_len = 0) {
  std::vector<uint8_t> t(18, 0);
  t[0] = uint8_t(id_len);
  t[2] = uint8_t(type);
  t[12] = uint8_t(w), t[13] = uint8_t(w >> 8), t[14] = uint8_t(h), t[15] = uint8_t(h >> 8);
  t[16] = uint8_t(bpp);
  return t;
}

// A 16 x 16 grid of 8 x 8 cells: 'A' inks columns 2..5, 'B' the whole cell,
// everything else is empty. Rows are stored bottom first.
std::string font_tga() {
  int w = 16 * CELL, h = 16 * CELL;
  std::vector<uint8_t> t = tga_header(2, 32, w, h);
  for (int file_y = 0; file_y < h; file_y++)
    for (int x = 0; x < w; x++) {
      int y = h - 1 - file_y, code = (y / CELL) * 16 + x / CELL, cx = x % CELL;
      bool ink = (code == 'A' && cx >= 2 && cx <= 5) || code == 'B';
      uint8_t px[4] = {255, 255, 255, uint8_t(ink ? 255 : 0)};
      t.insert(t.end(), px, px + 4);
    }
  return std::string(t.begin(), t.end());
}

std::string source_file(const char* name) {
  std::ifstream f(std::string(EH_DATA_SOURCE_DIR) + "/" + name);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

class BitmapFontTest : public ::testing::Test {
protected:
  void SetUp() override {
    write_test_file("font.tga", font_tga());
    write_test_file("font.sh", source_file("font.sh"));
    write_test_file("shader_constants.h", source_file("shader_constants.h"));
    common_vb_writer.init(COMMON_VB_SIZE);
    init_bitmap_font();
    set_back_buffer_target();
    clear_view(0xFF0000FF);
    pixels.resize(size_t(d3d_wd) * size_t(d3d_ht));
  }
  void TearDown() override {
    close_bitmap_font();
    common_vb_writer.release();
    clear_visual_log();
    set_error_message(nullptr);
  }
  uint32_t at(int x, int y) { return pixels[size_t(y) * size_t(d3d_wd) + size_t(x)]; }
  void draw(void (*fn)()) {
    start_draw_text();
    fn();
    end_draw_text();
    read_back_buffer_pixels(pixels.data());
  }
  std::vector<uint32_t> pixels;
};
}  // namespace

TEST(TgaReader, OnlyUncompressedThirtyTwoBitImagesWithPixelsAreAccepted) {
  TgaImage img;
  const char* error = nullptr;
  std::vector<uint8_t> t = tga_header(10, 32, 2, 2);  // run-length compressed
  EXPECT_FALSE(parse_tga(t.data(), t.size(), &img, &error));
  EXPECT_STREQ(error, "unsupported TGA format");
  t = tga_header(2, 24, 2, 2);
  EXPECT_FALSE(parse_tga(t.data(), t.size(), &img, &error));
  EXPECT_STREQ(error, "unsupported TGA format");
  t = tga_header(2, 32, 0, 2);
  EXPECT_FALSE(parse_tga(t.data(), t.size(), &img, &error));
  EXPECT_STREQ(error, "zero-sized TGA image");
  t = tga_header(2, 32, 2, 2);
  t.resize(18 + 15);  // one byte short
  EXPECT_FALSE(parse_tga(t.data(), t.size(), &img, &error));
  EXPECT_STREQ(error, "truncated TGA image");
  EXPECT_FALSE(parse_tga(t.data(), 5, &img, &error));
  // An image id is skipped; pixels stay in file order.
  t = tga_header(2, 32, 1, 2, 3);
  uint8_t rest[] = {9, 9, 9, 1, 2, 3, 4, 5, 6, 7, 8};
  t.insert(t.end(), rest, rest + sizeof(rest));
  ASSERT_TRUE(parse_tga(t.data(), t.size(), &img, &error));
  EXPECT_EQ(img.width, 1);
  EXPECT_EQ(img.height, 2);
  EXPECT_EQ(img.pixels[0], 1);
  EXPECT_EQ(img.pixels[7], 8);
  EXPECT_FALSE(load_tga("/nonexistent/font.tga", &img));
}

TEST_F(BitmapFontTest, GlyphEdgesComeFromAlphaAndBlanksAreHalfACellPlusOne) {
  const BitmapFontLayout& l = bitmap_font_layout();
  EXPECT_EQ(l.cellW, CELL);
  EXPECT_EQ(l.cellH, CELL);
  const FontGlyph& a = l.glyphs['A'];  // column 1, row 4 from the top
  EXPECT_EQ(a.left, CELL + 2);
  EXPECT_EQ(a.right, CELL + 6);
  EXPECT_EQ(a.top, 4 * CELL);
  EXPECT_EQ(a.bottom, 5 * CELL);
  EXPECT_EQ(l.glyphs[' '].right - l.glyphs[' '].left, CELL / 2 + 1);
  EXPECT_FALSE(l.ink[' ']);
  int w, h;
  calc_text_size("AB", -1, w, h);
  EXPECT_EQ(w, 4 + 1 + 8);
  EXPECT_EQ(h, CELL);
  calc_text_size("A\nAB ", -1, w, h);
  EXPECT_EQ(w, 13 + 1 + 5);
  EXPECT_EQ(h, 2 * CELL);
  calc_text_size("", -1, w, h);
  EXPECT_EQ(w + h, 0);
  push_text_state();
  set_text_scale(2);
  calc_text_size("A", 1, w, h);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 16);
  pop_text_state();
  EXPECT_EQ(get_text_scale(), 1);
  // Lines wholly off the screen are not batched.
  RenderBatch batch(1024);
  batch_text(batch, "A\nA\nA", -1, 0, d3d_ht - 4, TEXT_LEFT, TEXT_TOP, 0xFFFFFFFF);
  ASSERT_EQ(batch.groups.num, 1);
  EXPECT_EQ(batch.groups[0].first->next, nullptr);
}

TEST_F(BitmapFontTest, TextLandsWhereTheLayoutSaysWithItsShadowUpAndRight) {
  draw([] {
    draw_text("AB", -1, 10, 10, TEXT_LEFT, TEXT_TOP, 0xFFFF0000);
    draw_text("A", -1, 60, 40, TEXT_RIGHT, TEXT_BOTTOM, 0xFF00FF00);
  });
  EXPECT_EQ(at(10, 10), 0xFFFF0000u);
  EXPECT_EQ(at(13, 17), 0xFFFF0000u);
  EXPECT_EQ(at(15, 12), 0xFFFF0000u);  // 'B' after 4 + 1 pixels
  EXPECT_EQ(at(22, 12), 0xFFFF0000u);
  EXPECT_EQ(at(9, 12), 0xFF0000FFu);
  EXPECT_EQ(at(10, 18), 0xFF0000FFu);
  // The shadow: one pixel right and up, black at half the alpha.
  uint32_t shadow = at(23, 12);
  EXPECT_EQ(shadow & 0xFFFF00, 0u);
  EXPECT_NEAR(int(shadow & 0xFF), 0x80, 2);
  EXPECT_NEAR(int(at(12, 9) & 0xFF), 0x80, 2);
  EXPECT_EQ(at(10, 9), 0xFF0000FFu);  // the shadow starts one pixel right
  // Right and bottom aligned on (60, 40).
  EXPECT_EQ(at(56, 32), 0xFF00FF00u);
  EXPECT_EQ(at(59, 39), 0xFF00FF00u);
  EXPECT_NE(at(55, 36), 0xFF00FF00u);
}

TEST_F(BitmapFontTest, VisualLogAndErrorBandArePlacedByTheCellHeight) {
  visual_log("A");
  visual_log("B");
  draw(draw_visual_log);
  // Scale 2: the newest line at y = 2 cells, the older one below it.
  EXPECT_EQ(at(2 * CELL, 2 * CELL + 4), 0xFFFFFFFFu);    // 'B' is solid
  EXPECT_EQ(at(2 * CELL, 4 * CELL + 4), 0xFFFFFFFFu);
  EXPECT_EQ(at(2 * CELL + 7, 4 * CELL + 15), 0xFFFFFFFFu);
  EXPECT_EQ(at(2 * CELL + 9, 4 * CELL + 4), 0xFF0000FFu);  // 'A' is 4 pixels wide, doubled, + shadow
  clear_visual_log();
  clear_view(0xFF000000);
  set_error_message("A");
  draw(draw_error_message);
  // The band covers the bottom 12 cells (the whole small window); the text
  // is centred, its bottom one cell above the screen's.
  uint32_t band = at(0, d3d_ht - 1);
  EXPECT_NEAR(int((band >> 16) & 0xFF), 0x66 * 0xCC / 0xFF, 2);
  EXPECT_EQ(band & 0xFFFF, 0u);
  EXPECT_EQ(at(d3d_wd / 2, d3d_ht - CELL - 1), 0xFFFFEE00u);
  EXPECT_EQ(at(d3d_wd / 2, d3d_ht - CELL - 16), 0xFFFFEE00u);
  EXPECT_NE(at(d3d_wd / 2, d3d_ht - CELL - 17), 0xFFFFEE00u);
}

TEST_F(BitmapFontTest, LongLinesWrapAtBlanksWithinTheWidth) {
  set_text_scale(2);
  int width, h;
  calc_text_size("AB AB", -1, width, h);
  TextLine rows[8];
  int count = wrap_text("AB AB AB\nBBBBBBBBBBBBBBBB", width, rows, 8);
  ASSERT_GE(count, 3);
  EXPECT_EQ(std::string(rows[0].text, size_t(rows[0].len)), "AB AB");
  EXPECT_EQ(std::string(rows[1].text, size_t(rows[1].len)), "AB");
  // A word wider than the line is cut where the line ends.
  std::string word;
  for (int r = 2; r < count; r++) {
    int w;
    calc_text_size(rows[r].text, rows[r].len, w, h);
    EXPECT_LE(w, width);
    EXPECT_GT(rows[r].len, 0);
    word.append(rows[r].text, size_t(rows[r].len));
  }
  EXPECT_EQ(word, "BBBBBBBBBBBBBBBB");
  EXPECT_EQ(wrap_text("AB AB AB", width, rows, 1), 1) << "no more lines than asked for";

  // The error band draws a message wider than the window on two rows.
  set_error_message("AB AB");
  draw(draw_error_message);
  ASSERT_EQ(wrap_text("AB AB", d3d_wd - 2 * CELL, rows, 8), 2) << "set for a 64 pixel wide window";
  int a;
  calc_text_size("A", -1, a, h);
  int row_w;
  calc_text_size(rows[0].text, rows[0].len, row_w, h);
  int first_b = d3d_wd / 2 - row_w / 2 + a;  // the first row's first 'B'
  EXPECT_EQ(at(first_b + 4, d3d_ht - CELL - 2 * h + 4), 0xFFFFEE00u);
  EXPECT_EQ(at(first_b + 4, d3d_ht - CELL - h + 4), 0xFFFFEE00u);
  EXPECT_NE(at(first_b + 4, d3d_ht - CELL - 2 * h - 4), 0xFFFFEE00u);
}

TEST_F(BitmapFontTest, BadFontImagesStopWithTheirMessage) {
  write_test_file("font.tga", std::string());
  EXPECT_EXIT(init_bitmap_font(), testing::ExitedWithCode(100), "can't load font.tga");
  std::vector<uint8_t> odd = tga_header(2, 32, 20, 16);
  odd.resize(odd.size() + 20 * 16 * 4, 0);
  write_test_file("font.tga", std::string(odd.begin(), odd.end()));
  EXPECT_EXIT(init_bitmap_font(), testing::ExitedWithCode(100), "expected 16x16 font grid in font.tga, got 20x16 image");
}
