#pragma once
// DDS files for the asset generators: 32-bit ARGB and XRGB, 8-bit luminance,
// and DXT1/DXT5 block compression, each with an optional chain of mip
// levels. The files read back through the engine's DDS loader.
#include <cstdint>
#include <vector>

enum class DdsFormat { ARGB, XRGB, L8, DXT1, DXT5 };

// One level's pixels, top row first: four bytes per pixel (red, green, blue,
// alpha) for every format but L8, which takes one byte per pixel.
struct DdsLevel {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

// Bytes per pixel of a level's pixels for a format (1 for L8, else 4).
int dds_source_channels(DdsFormat format);

// The level and its box-filtered halvings down to 1 x 1, or at most
// max_levels levels (0 = the whole chain). channels is 1 or 4.
std::vector<DdsLevel> make_mip_chain(int width, int height, int channels, const uint8_t* pixels, int max_levels);

// The whole file in memory; empty when the levels are not a valid chain
// (first level empty, a level not half the previous one, wrong byte count).
std::vector<uint8_t> encode_dds(DdsFormat format, const std::vector<DdsLevel>& levels);

// Writes the file; false (with a message on stderr) when encoding or writing
// fails.
bool write_dds_file(const char* path, DdsFormat format, const std::vector<DdsLevel>& levels);
bool write_dds_file(const char* path, DdsFormat format, int width, int height, const uint8_t* pixels,
                    int max_levels);
