#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "render/dds_loader.h"
#include "render/textures.h"
#include "tests/render/render_test_env.h"

namespace {
// A DDS header: flags, size, mip count and pixel format fields.
std::string dds_header(int w, int h, int mips, uint32_t pf_flags, const char* fourcc, uint32_t bits,
                       uint32_t rmask, uint32_t gmask, uint32_t bmask, uint32_t amask) {
  uint32_t hd[32] = {};
  hd[0] = 124;
  hd[1] = 0x1 | 0x2 | 0x4 | 0x1000 | (mips ? 0x20000 : 0);
  hd[2] = uint32_t(h);
  hd[3] = uint32_t(w);
  hd[6] = uint32_t(mips);
  hd[18] = 32;
  hd[19] = pf_flags;
  if (fourcc) memcpy(&hd[20], fourcc, 4);
  hd[21] = bits;
  hd[22] = rmask;
  hd[23] = gmask;
  hd[24] = bmask;
  hd[25] = amask;
  hd[26] = 0x1000;
  return std::string("DDS ") + std::string(reinterpret_cast<const char*>(hd), 124);
}

std::string argb_dds(int w, int h, const std::vector<uint32_t>& px) {
  return dds_header(w, h, 0, 0x41, nullptr, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000) +
         std::string(reinterpret_cast<const char*>(px.data()), px.size() * 4);
}

std::vector<uint8_t> bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
}  // namespace

TEST(DdsHeader, AcceptsTheSupportedFormatsOnly) {
  DdsInfo info;
  auto parse = [&](const std::string& s) { return parse_dds_header(bytes(s).data(), int(s.size()), &info); };
  EXPECT_TRUE(parse(dds_header(8, 4, 4, 0x4, "DXT1", 0, 0, 0, 0, 0)));
  EXPECT_EQ(info.format, TEXFMT_DXT1);
  EXPECT_EQ(info.levels, 4);
  EXPECT_TRUE(parse(dds_header(8, 4, 0, 0x4, "DXT5", 0, 0, 0, 0, 0)));
  EXPECT_EQ(info.format, TEXFMT_DXT5);
  EXPECT_EQ(info.levels, 1);
  EXPECT_TRUE(parse(dds_header(2, 2, 0, 0x40, nullptr, 32, 0xFF0000, 0xFF00, 0xFF, 0)));
  EXPECT_EQ(info.format, TEXFMT_XRGB8);
  EXPECT_TRUE(parse(dds_header(2, 2, 0, 0x20000, nullptr, 8, 0xFF, 0, 0, 0)));
  EXPECT_EQ(info.format, TEXFMT_L8);
  // Rejected: other four-character codes, 16-bit colour, swapped masks,
  // cube maps, bad sizes, a short file.
  EXPECT_FALSE(parse(dds_header(8, 4, 0, 0x4, "DXT2", 0, 0, 0, 0, 0)));
  EXPECT_FALSE(parse(dds_header(8, 4, 0, 0x40, nullptr, 16, 0xF800, 0x7E0, 0x1F, 0)));
  EXPECT_FALSE(parse(dds_header(8, 4, 0, 0x41, nullptr, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000)));
  std::string cube = dds_header(8, 8, 0, 0x4, "DXT1", 0, 0, 0, 0, 0);
  cube[4 + 108] = 0x00;
  cube[4 + 109] = 0x02;  // caps2: cube map
  EXPECT_FALSE(parse(cube));
  std::string bad_size = dds_header(8, 4, 0, 0x4, "DXT1", 0, 0, 0, 0, 0);
  bad_size[4] = 100;
  EXPECT_FALSE(parse(bad_size));
  EXPECT_FALSE(parse(std::string("DDS ") + std::string(40, '\0')));
  // A mip count beyond the smallest level is cut to the real chain.
  EXPECT_TRUE(parse(dds_header(8, 4, 20, 0x4, "DXT1", 0, 0, 0, 0, 0)));
  EXPECT_EQ(info.levels, 4);
}

TEST(DdsHeader, DxtLevelsCopyWholeBlocks) {
  EXPECT_EQ(dds_level_bytes(TEXFMT_DXT1, 8, 4), 16);
  EXPECT_EQ(dds_level_bytes(TEXFMT_DXT1, 4, 2), 8);
  EXPECT_EQ(dds_level_bytes(TEXFMT_DXT1, 2, 1), 8);
  EXPECT_EQ(dds_level_bytes(TEXFMT_DXT1, 1, 1), 8);
  EXPECT_EQ(dds_level_bytes(TEXFMT_DXT5, 8, 4), 32);
  EXPECT_EQ(dds_level_bytes(TEXFMT_L8, 3, 2), 6);
  EXPECT_EQ(dds_level_bytes(TEXFMT_ARGB8, 3, 2), 24);
}

TEST(DdsLoad, ArgbPixelsArriveTopRowFirst) {
  std::vector<uint32_t> px = {0xFF112233, 0x80445566, 0xFF778899, 0x00AABBCC};
  write_test_file("argb.dds", argb_dds(2, 2, px));
  Texture* t = get_texture("argb.dds", true);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(texture_pixel(t, 0, 0), 0xFF112233u);
  EXPECT_EQ(texture_pixel(t, 1, 0), 0x80445566u);
  EXPECT_EQ(texture_pixel(t, 0, 1), 0xFF778899u);
  EXPECT_EQ(texture_pixel(t, 1, 1), 0x00AABBCCu);
  free_texture(t);
}

TEST(DdsLoad, DxtMipChainIsUploadedLevelByLevel) {
  // 8 x 4, four levels: 16 + 8 + 8 + 8 bytes. Each block is a solid colour.
  std::string blocks;
  const uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  int level_bytes[4] = {16, 8, 8, 8};
  for (int l = 0; l < 4; l++)
    for (int b = 0; b < level_bytes[l] / 8; b++) {
      uint8_t block[8] = {uint8_t(colours[l] & 255), uint8_t(colours[l] >> 8), uint8_t(colours[l] & 255),
                          uint8_t(colours[l] >> 8), 0, 0, 0, 0};
      blocks.append(reinterpret_cast<const char*>(block), 8);
    }
  write_test_file("mips.dds", dds_header(8, 4, 4, 0x4, "DXT1", 0, 0, 0, 0, 0) + blocks);
  Texture* t = get_texture("mips.dds", true);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->levels, 4);
  glBindTexture(GL_TEXTURE_2D, t->glTexture);
  for (int l = 0; l < 4; l++) {
    GLint size = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, l, GL_TEXTURE_COMPRESSED_IMAGE_SIZE, &size);
    EXPECT_EQ(size, level_bytes[l]) << "level " << l;
    std::vector<uint8_t> back(static_cast<size_t>(size));
    glGetCompressedTexImage(GL_TEXTURE_2D, l, back.data());
    EXPECT_EQ(back[0] | back[1] << 8, colours[l]) << "level " << l;
  }
  free_texture(t);
}

TEST(DdsLoad, LuminanceAndXrgbReadAsOpaqueGrey) {
  write_test_file("lum.dds", dds_header(4, 1, 0, 0x20000, nullptr, 8, 0xFF, 0, 0, 0) + std::string("\x10\x20\x30\x40", 4));
  Texture* t = get_texture("lum.dds", true);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->format, TEXFMT_L8);
  std::vector<uint8_t> back(4);
  glBindTexture(GL_TEXTURE_2D, t->glTexture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_UNSIGNED_BYTE, back.data());
  EXPECT_EQ(back[2], 0x30);
  free_texture(t);
}

TEST(TextureCache, NamesMatchWithoutCaseAndCountReferences) {
  write_test_file("a.dds", argb_dds(1, 1, {0xFF00FF00}));
  Texture* t1 = get_texture("a.dds", true);
  Texture* t2 = get_texture("A.DDS", true);
  EXPECT_EQ(t1, t2);
  EXPECT_EQ(get_texture_refcount(t1), 2);
  free_texture(t1);
  EXPECT_TRUE(t1->inUse);
  EXPECT_EQ(get_texture_refcount(t1), 1);
  free_texture(t1);
  EXPECT_FALSE(t1->inUse);
  EXPECT_EQ(get_texture_refcount(t1), 0);
  EXPECT_EQ(get_texture("not_there.dds", false), nullptr);
}

TEST(TextureCacheDeathTest, BadFilesStopTheProgramWithTheirName) {
  write_test_file("garbage.dds", "this is no texture");
  EXPECT_EXIT(get_texture("garbage.dds", true), testing::ExitedWithCode(100), "Texture '.*garbage.dds' is not a DDS");
  EXPECT_EXIT(get_texture("missing.dds", true), testing::ExitedWithCode(100), "Can't load texture from '.*missing.dds'");
  write_test_file("short.dds", dds_header(64, 64, 0, 0x4, "DXT1", 0, 0, 0, 0, 0) + std::string(100, '\0'));
  EXPECT_EXIT(get_texture("short.dds", true), testing::ExitedWithCode(100), "Texture '.*short.dds' is truncated");
}
