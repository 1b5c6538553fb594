// The asset tools' DDS files must read back through the engine's loader with
// the pixels, byte order and mip chain the tool meant.
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include "render/dds_loader.h"
#include "render/textures.h"
#include "tools/asset_common/dds_writer.h"

namespace {
std::vector<uint8_t> solid(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  std::vector<uint8_t> px(size_t(w) * h * 4);
  for (size_t i = 0; i < px.size(); i += 4) {
    px[i] = r;
    px[i + 1] = g;
    px[i + 2] = b;
    px[i + 3] = a;
  }
  return px;
}

size_t chain_bytes(int format, int w, int h, int levels) {
  size_t n = 0;
  for (int l = 0; l < levels; l++, w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) n += size_t(dds_level_bytes(format, w, h));
  return n;
}
}  // namespace

TEST(DdsWriter, EveryFormatReadsBackWithItsWholeMipChain) {
  struct Case {
    DdsFormat format;
    int texfmt;
  } cases[] = {{DdsFormat::ARGB, TEXFMT_ARGB8}, {DdsFormat::XRGB, TEXFMT_XRGB8}, {DdsFormat::L8, TEXFMT_L8},
               {DdsFormat::DXT1, TEXFMT_DXT1}, {DdsFormat::DXT5, TEXFMT_DXT5}};
  for (const Case& c : cases) {
    // 12 x 5: odd sides halve to 6x2, 3x1, 1x1; DXT blocks pad the edges.
    std::vector<uint8_t> px(12 * 5 * size_t(dds_source_channels(c.format)), 77);
    std::vector<uint8_t> file = encode_dds(c.format, make_mip_chain(12, 5, dds_source_channels(c.format), px.data(), 0));
    DdsInfo info;
    ASSERT_TRUE(parse_dds_header(file.data(), int(file.size()), &info)) << int(c.format);
    EXPECT_EQ(info.format, c.texfmt);
    EXPECT_EQ(info.width, 12);
    EXPECT_EQ(info.height, 5);
    EXPECT_EQ(info.levels, 4);
    EXPECT_EQ(file.size(), size_t(info.dataOffset) + chain_bytes(c.texfmt, 12, 5, 4)) << int(c.format);
  }
}

TEST(DdsWriter, PlainPixelsAreStoredBlueGreenRedAlphaAndXrgbIsOpaque) {
  std::vector<uint8_t> px = solid(2, 1, 10, 20, 30, 40);
  std::vector<uint8_t> argb = encode_dds(DdsFormat::ARGB, make_mip_chain(2, 1, 4, px.data(), 1));
  std::vector<uint8_t> xrgb = encode_dds(DdsFormat::XRGB, make_mip_chain(2, 1, 4, px.data(), 1));
  ASSERT_EQ(argb.size(), 128u + 8u);
  EXPECT_EQ(std::vector<uint8_t>(argb.begin() + 128, argb.begin() + 132), (std::vector<uint8_t>{30, 20, 10, 40}));
  EXPECT_EQ(std::vector<uint8_t>(xrgb.begin() + 128, xrgb.begin() + 132), (std::vector<uint8_t>{30, 20, 10, 255}));
  DdsInfo info;
  ASSERT_TRUE(parse_dds_header(argb.data(), int(argb.size()), &info));
  EXPECT_EQ(info.levels, 1);
}

TEST(DdsWriter, MipLevelsAreBoxFilteredAndLimited) {
  // A 2 x 2 checker of 0 and 255 averages to 128 (rounded) in the 1 x 1 level.
  uint8_t l8[4] = {0, 255, 255, 0};
  std::vector<DdsLevel> chain = make_mip_chain(2, 2, 1, l8, 0);
  ASSERT_EQ(chain.size(), 2u);
  EXPECT_EQ(chain[1].pixels[0], 128);
  std::vector<uint8_t> big(64 * 64, 1);
  EXPECT_EQ(make_mip_chain(64, 64, 1, big.data(), 3).size(), 3u);
  EXPECT_EQ(make_mip_chain(64, 64, 1, big.data(), 0).size(), 7u);
}

TEST(DdsWriter, SolidColourSurvivesBlockCompression) {
  // Pure red is exact in 5:6:5; DXT5 keeps the alpha exactly too.
  std::vector<uint8_t> px = solid(8, 8, 255, 0, 0, 200);
  std::vector<uint8_t> dxt1 = encode_dds(DdsFormat::DXT1, make_mip_chain(8, 8, 4, px.data(), 1));
  ASSERT_EQ(dxt1.size(), 128u + 4 * 8);
  uint16_t c0;
  memcpy(&c0, dxt1.data() + 128, 2);
  EXPECT_EQ(c0, 0xF800);
  std::vector<uint8_t> dxt5 = encode_dds(DdsFormat::DXT5, make_mip_chain(8, 8, 4, px.data(), 1));
  ASSERT_EQ(dxt5.size(), 128u + 4 * 16);
  EXPECT_EQ(dxt5[128], 200);  // first alpha end point
}

TEST(DdsWriter, LevelsThatAreNotAChainAreRefused) {
  std::vector<uint8_t> px = solid(4, 4, 1, 2, 3, 4);
  std::vector<DdsLevel> chain = make_mip_chain(4, 4, 4, px.data(), 0);
  EXPECT_TRUE(encode_dds(DdsFormat::L8, chain).empty());  // 4 bytes a pixel given, 1 expected
  chain[1].width = 3;
  EXPECT_TRUE(encode_dds(DdsFormat::ARGB, chain).empty());
  EXPECT_TRUE(encode_dds(DdsFormat::ARGB, {}).empty());
  EXPECT_TRUE(make_mip_chain(0, 4, 4, px.data(), 0).empty());
  EXPECT_FALSE(write_dds_file("/nonexistent-folder/x.dds", DdsFormat::ARGB, 4, 4, px.data(), 0));
}
