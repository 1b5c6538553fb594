// Distance-field fonts and icons: description files (and their faults),
// layout, and text drawn headless where the layout says with its outline
// and shadow.
#include <gtest/gtest.h>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "render/device.h"
#include "render/dist_font.h"
#include "render/dyn_vb_writer.h"
#include "render/render_state.h"
#include "render/textures.h"
#include "tests/render/render_test_env.h"
#include "tools/asset_common/dds_writer.h"

namespace {
// Size 16, spread 4: 'A' is a 16 x 16 square of ink in a 24 x 24 box at
// (4, 4) of a 256 x 256 atlas; ' ' is a blank; 200 is another square.
const char* FONT =
    "info face=\"Test\" size=16 spread=4\n"
    "common lineHeight=20 base=0 scaleW=256 scaleH=256\n"
    "page id=0 file=\"square\"\n"
    "chars count=4\n"
    "char id=32 x=0 y=0 width=0 height=0 xoffset=0 yoffset=0 xadvance=6\n"
    "char id=65 x=4 y=4 width=24 height=24 xoffset=-4 yoffset=4 xadvance=20\n"
    "char id=66 x=4 y=4 width=24 height=24 xoffset=-4 yoffset=4 xadvance=20\n"
    "char id=200 x=4 y=4 width=24 height=24 xoffset=-4 yoffset=4 xadvance=20\n"
    "kernings count=3\n"
    "kerning first=65 second=66 amount=-2\n"
    "kerning first=66 second=65 amount=1\n"
    "kerning first=65 second=65 amount=-3\n";

const char* ICONS =
    "info file=\"square\" scaleW=256 scaleH=256 spread=4\n"
    "icons count=2\n"
    "icon \"wide\" 40 20 4 4 24 24 -12 12\n"
    "icon \"tall\" 20 40 4 4 24 24 -12 12\n";

std::string source_file(const char* name) {
  std::ifstream f(std::string(EH_DATA_SOURCE_DIR) + "/" + name);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// The square's distance field in all four channels.
void write_square_atlas() {
  std::vector<uint8_t> px(256 * 256 * 4);
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 256; x++) {
      float cx = float(x) + 0.5f, cy = float(y) + 0.5f;
      float dx = std::fabs(cx - 16) - 8, dy = std::fabs(cy - 16) - 8;
      float d = std::fmax(dx, dy) > 0 ? std::hypot(std::fmax(dx, 0.f), std::fmax(dy, 0.f)) : std::fmax(dx, dy);
      float v = std::fmin(std::fmax(0.5f - d / 8.f, 0.f), 1.f);
      for (int c = 0; c < 4; c++) px[(y * 256 + x) * 4 + c] = uint8_t(std::lround(v * 255));
    }
  ASSERT_TRUE(write_dds_file((RenderTestEnv::folder + "square.dds").c_str(), DdsFormat::ARGB, 256, 256, px.data(), 1));
}

float lane(__m128 v, int i) {
  alignas(16) float f[4];
  _mm_store_ps(f, v);
  return f[i];
}

bool parse_font(DistFont& f, const std::string& text) {
  char atlas[256];
  f.clear();
  return f.parse(text.data(), text.size(), atlas, sizeof(atlas));
}
}  // namespace

TEST(DistFontLayout, KerningGroupsGlyphRangesAndBoxes) {
  DistFont f;
  ASSERT_TRUE(parse_font(f, FONT));
  EXPECT_EQ(f.ranges.num, 3);  // 32, 65-66, 200
  EXPECT_EQ(f.findGlyph(66), 2);
  EXPECT_EQ(f.findGlyph(200), 3);  // codes above 127 like any other
  EXPECT_EQ(f.findGlyph(67), -1);
  EXPECT_EQ(f.kerningGroups.num, 3);  // 65, 66, then 65 again: not adjacent
  EXPECT_FLOAT_EQ(f.kerning(65, 66), -2);
  EXPECT_FLOAT_EQ(f.kerning(65, 65), 0);  // in the second group of 65: never searched
  EXPECT_FLOAT_EQ(f.kerning(-1, 66), 0);
  int n = -1;
  __m128 box = f.calcTextBox("AB", -1, &n);
  EXPECT_EQ(n, 2);
  EXPECT_FLOAT_EQ(lane(box, 0), 0);
  EXPECT_FLOAT_EQ(lane(box, 2), 20 - 2 + 16);  // advance, kerning, ink
  EXPECT_FLOAT_EQ(lane(box, 3), 16);
  // Blanks advance without growing the box; a line feed starts a new line.
  box = f.calcTextBox(" A\nA ", -1, &n);
  EXPECT_EQ(n, 2);
  EXPECT_FLOAT_EQ(lane(box, 0), 0);
  EXPECT_FLOAT_EQ(lane(box, 2), 22);
  EXPECT_FLOAT_EQ(lane(box, 3), 36);
  box = f.calcTextBox("   ", -1, &n);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(_mm_movemask_ps(_mm_cmpeq_ps(box, _mm_setzero_ps())), 15);
  // Codes without a glyph draw nothing but still count as the previous code.
  box = f.calcTextBox("A\x01" "B", -1, &n);
  EXPECT_FLOAT_EQ(lane(box, 2), 36);  // 34 if 'A' kerned the 'B'
}

TEST(DistFontLayout, MalformedDescriptionsAreRefused) {
  DistFont f;
  std::string good = FONT;
  auto with = [&](const std::string& from, const std::string& to) {
    std::string s = good;
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  EXPECT_FALSE(parse_font(f, ""));
  EXPECT_FALSE(parse_font(f, good.substr(0, good.find("kernings"))));            // missing kerning count
  EXPECT_FALSE(parse_font(f, good.substr(0, good.rfind("kerning first"))));      // one pair short
  EXPECT_FALSE(parse_font(f, with("chars count=4", "chars count=5")));          // a glyph short
  EXPECT_FALSE(parse_font(f, with("chars count=4", "chars count=-1")));
  EXPECT_FALSE(parse_font(f, with("scaleW=256", "scaleW=0")));
  EXPECT_FALSE(parse_font(f, with("size=16", "size=0")));
  EXPECT_FALSE(parse_font(f, with("char id=200", "char id=300")));
  EXPECT_FALSE(parse_font(f, with("width=24 height=24 xoffset=-4 yoffset=4 xadvance=20\nchar id=200",
                                  "width=nan height=24 xoffset=-4 yoffset=4 xadvance=20\nchar id=200")));
  EXPECT_FALSE(parse_font(f, with("face=\"Test\"", "face=\"" + std::string(300, 'x') + "\"")));  // read in pieces
  EXPECT_FALSE(parse_font(f, with("page id=0 file=\"square\"", "page id=0 file=square")));
  EXPECT_TRUE(parse_font(f, good));

  DistIcons icons;
  char atlas[256];
  std::string ok = ICONS;
  ASSERT_TRUE(icons.parse(ok.data(), ok.size(), atlas, sizeof(atlas)));
  EXPECT_STREQ(atlas, "square");
  EXPECT_EQ(icons.getIconId("tall"), 1);
  EXPECT_EQ(icons.getIconId("Tall"), -1);
  EXPECT_EQ(icons.getIconId("missing"), -1);
  EXPECT_EQ(icons.getOrgW(0), 40);
  EXPECT_EQ(icons.getOrgH(1), 40);
  EXPECT_EQ(icons.getOrgW(-1), 0);
  EXPECT_EQ(icons.getOrgH(2), 0);
  icons.clear();
  std::string short_line = ok.substr(0, ok.rfind(" 12\n")) + "\n";
  EXPECT_FALSE(icons.parse(short_line.data(), short_line.size(), atlas, sizeof(atlas)));
  icons.clear();
  std::string zero = "info file=\"a\" scaleW=0 scaleH=32 spread=4\nicons count=0\n";
  EXPECT_FALSE(icons.parse(zero.data(), zero.size(), atlas, sizeof(atlas)));
}

TEST(DistFontLayout, RotatedIconsCoverTheirTurnedBox) {
  DistIcons icons;
  char atlas[256];
  std::string text = "info file=\"a\" scaleW=256 scaleH=32 spread=4\nicons count=1\nicon \"bar\" 40 20 0 0 40 20 -20 10\n";
  ASSERT_TRUE(icons.parse(text.data(), text.size(), atlas, sizeof(atlas)));
  RenderBatch batch(4096);
  DistFontBatchState state;
  icons.renderIcon(batch, _mm_setr_ps(100, 50, 0, 1), 2.f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, &state);  // 90 degrees
  icons.renderIcon(batch, _mm_setr_ps(100, 50, 1, 0), 1.f, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, &state);  // no such icon
  ASSERT_EQ(batch.groups.num, 1);
  BatchRect r = batch.groups[0].rect;
  EXPECT_FLOAT_EQ(r.x0, 80);
  EXPECT_FLOAT_EQ(r.x1, 120);
  EXPECT_FLOAT_EQ(r.y0, 10);
  EXPECT_FLOAT_EQ(r.y1, 90);
  EXPECT_EQ(batch.groups[0].first->size, 6 * DIST_ICON_VERTEX_SIZE);
}

namespace {
class DistFontDrawTest : public ::testing::Test {
protected:
  void SetUp() override {
    write_test_file("distfont.sh", source_file("distfont.sh"));
    write_test_file("disticon.sh", source_file("disticon.sh"));
    write_test_file("shader_constants.h", source_file("shader_constants.h"));
    write_test_file("square.fnt", FONT);
    write_test_file("square.icons", ICONS);
    write_square_atlas();
    common_vb_writer.init(COMMON_VB_SIZE);
    ASSERT_TRUE(font.load("square.fnt"));
    ASSERT_TRUE(icons.load("square.icons"));
    set_back_buffer_target();
    clear_view(0xFF000000);
    pixels.resize(size_t(d3d_wd) * size_t(d3d_ht));
  }
  void TearDown() override {
    font.clear();
    icons.clear();
    close_dist_fonts();
    close_dist_icons();
    common_vb_writer.release();
  }
  void render() {
    start_dist_font_render();
    batch.render();
    end_dist_font_render();
    batch.clear();
    read_back_buffer_pixels(pixels.data());
  }
  uint32_t at(int x, int y) { return pixels[size_t(y) * size_t(d3d_wd) + size_t(x)]; }
  DistFont font;
  DistIcons icons;
  RenderBatch batch{4096};
  std::vector<uint32_t> pixels;
};
}  // namespace

TEST_F(DistFontDrawTest, TextLandsWhereTheLayoutSaysWithOutlineAndShadow) {
  // Size 32 doubles the 16-unit square: its ink covers (10, 10)-(42, 42).
  __m128 box = _mm_setr_ps(10, 10, 60, 46);
  font.renderText(batch, box, DIST_ALIGN_LEFT | DIST_ALIGN_TOP, 0xFFFF0000, 32, "A", -1, 0, 0, 0, 0, 0xFF00FF00);
  render();
  EXPECT_EQ(at(26, 26), 0xFFFF0000u);
  EXPECT_EQ(at(11, 11), 0xFFFF0000u);
  EXPECT_EQ(at(8, 26), 0xFF000000u);  // no outline asked for
  EXPECT_EQ(at(44, 26), 0xFF000000u);

  // An outline edge of 4 pixels shows the outline colour just outside.
  clear_view(0xFF000000);
  font.renderText(batch, box, DIST_ALIGN_LEFT | DIST_ALIGN_TOP, 0xFFFF0000, 32, "A", -1, 0, 0, 0, 4, 0xFF00FF00);
  render();
  EXPECT_EQ(at(26, 26), 0xFFFF0000u);
  EXPECT_EQ(at(9, 26) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(at(26, 42) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(at(6, 26), 0xFF000000u);

  // A shadow 12.5% of the size right and down: 2 atlas pixels, 4 on screen.
  clear_view(0xFF000000);
  font.renderText(batch, box, DIST_ALIGN_LEFT | DIST_ALIGN_TOP, 0xFFFF0000, 32, "A", -1, 0, 12.5f, 12.5f, 0,
                  0xFF0000FF);
  render();
  EXPECT_EQ(at(26, 26), 0xFFFF0000u);
  EXPECT_GT(at(43, 30) & 0xFF, 0xF0u);  // right of the glyph, inside the shifted square
  EXPECT_EQ(at(30, 43) & 0xFF0000, 0u);
  EXPECT_GT(at(30, 43) & 0xFF, 0xF0u);
  EXPECT_EQ(at(8, 26), 0xFF000000u);  // nothing on the other side
}

TEST_F(DistFontDrawTest, AlignmentAndIconsLandOnTheirBox) {
  // Right and bottom aligned in (0, 0)-(60, 46): ink at (44, 30)-(60, 46).
  font.renderText(batch, _mm_setr_ps(0, 0, 60, 46), DIST_ALIGN_RIGHT | DIST_ALIGN_BOTTOM, 0xFFFFFFFF, 16, "A", -1, 0,
                  0, 0, 0, 0);
  render();
  EXPECT_EQ(at(46, 32), 0xFFFFFFFFu);
  EXPECT_EQ(at(59, 45), 0xFFFFFFFFu);
  EXPECT_EQ(at(42, 38), 0xFF000000u);
  clear_view(0xFF000000);
  // The icon's four layers are the same square: the last colour is on top.
  icons.renderIcon(batch, _mm_setr_ps(32, 24, 1, 0), 1.f, icons.getIconId("wide"), 0, 0, 0, 0, 0, 0xFFFF0000,
                   0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF);
  render();
  EXPECT_EQ(at(32, 24), 0xFFFFFFFFu);
  EXPECT_EQ(at(25, 24), 0xFFFFFFFFu);
  EXPECT_EQ(at(22, 24), 0xFF000000u);
}

// A world name of 419 characters once stopped the game: more glyphs than
// the shared vertex buffer holds.
TEST_F(DistFontDrawTest, ALineLongerThanTheVertexBufferDrawsToItsEnd) {
  std::string line(2000, 'A');
  ASSERT_GT(2000 * 6 * DIST_FONT_VERTEX_SIZE, COMMON_VB_SIZE);
  font.renderText(batch, _mm_setr_ps(0, 0, 60, 46), DIST_ALIGN_RIGHT | DIST_ALIGN_BOTTOM, 0xFFFFFFFF, 16,
                  line.c_str(), -1, 0, 0, 0, 0, 0);
  render();
  EXPECT_EQ(at(46, 32), 0xFFFFFFFFu);  // the last glyph
  EXPECT_EQ(at(59, 45), 0xFFFFFFFFu);
}
