#include "terrain/world_grids_file.h"
#include <cstring>
#include "terrain/heightmap_data.h"

namespace {

using namespace HeightmapData;

constexpr uint32_t GRIDS_MAGIC = 0x73647267;  // "grds"
constexpr uint32_t GRIDS_VERSION = 1;
static_assert(sizeof(Water) % 4 == 0 && sizeof(Surface) % 4 == 0);
constexpr uint32_t RUN_FLAG = 0x80000000u;
constexpr size_t HEADER_BYTES = 16;  // magic, version, world key
// Words of the grids, in the order they are stored: heights, target heights
// as the bits that differ from the heights, fluid, surface. The fields of
// fluid and surface cells go field by field (all depths, then all speeds
// along x...), so a field that is the same over wide areas packs into runs.
constexpr size_t HEIGHT_WORDS = HMAP_CELLS;
constexpr size_t FLUID_WORDS = sizeof(water) / 4;
constexpr size_t SURFACE_WORDS = sizeof(surface) / 4;
constexpr size_t TOTAL_WORDS = 2 * HEIGHT_WORDS + FLUID_WORDS + SURFACE_WORDS;

constexpr size_t FLUID_FIELDS = sizeof(Water) / 4;
constexpr size_t SURFACE_FIELDS = sizeof(Surface) / 4;

// Cells of `fields` words each, as one plane of words per field, and back.
void to_planes(const void* cells, size_t fields, uint32_t* planes) {
  const uint32_t* w = static_cast<const uint32_t*>(cells);
  for (size_t i = 0; i < size_t(HMAP_CELLS); i++)
    for (size_t f = 0; f < fields; f++) planes[f * HMAP_CELLS + i] = w[i * fields + f];
}
void from_planes(const uint32_t* planes, size_t fields, void* cells) {
  uint32_t* w = static_cast<uint32_t*>(cells);
  for (size_t i = 0; i < size_t(HMAP_CELLS); i++)
    for (size_t f = 0; f < fields; f++) w[i * fields + f] = planes[f * HMAP_CELLS + i];
}

void put_word(std::vector<uint8_t>& out, uint32_t w) {
  for (int i = 0; i < 4; i++) out.push_back(uint8_t(w >> (8 * i)));
}

uint32_t word_at(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Packets: a word with RUN_FLAG set and count n is followed by one word
// repeated n times; without it, by n words as they are.
void pack(const uint32_t* words, size_t count, std::vector<uint8_t>& out) {
  constexpr size_t MIN_RUN = 3;
  size_t i = 0, literal_start = 0;
  auto flush_literals = [&](size_t end) {
    if (end == literal_start) return;
    put_word(out, uint32_t(end - literal_start));
    for (size_t k = literal_start; k < end; k++) put_word(out, words[k]);
  };
  while (i < count) {
    size_t run = 1;
    while (i + run < count && words[i + run] == words[i]) run++;
    if (run >= MIN_RUN) {
      flush_literals(i);
      put_word(out, RUN_FLAG | uint32_t(run));
      put_word(out, words[i]);
      i += run;
      literal_start = i;
    } else {
      i += run;
    }
  }
  flush_literals(count);
}

bool unpack(const uint8_t* bytes, size_t size, uint32_t* words, size_t count) {
  size_t at = 0, filled = 0;
  while (filled < count) {
    if (size - at < 4) return false;
    uint32_t head = word_at(bytes + at);
    at += 4;
    size_t n = head & ~RUN_FLAG;
    if (n == 0 || n > count - filled) return false;
    if (head & RUN_FLAG) {
      if (size - at < 4) return false;
      uint32_t w = word_at(bytes + at);
      at += 4;
      for (size_t k = 0; k < n; k++) words[filled++] = w;
    } else {
      if ((size - at) / 4 < n) return false;
      for (size_t k = 0; k < n; k++, at += 4) words[filled++] = word_at(bytes + at);
    }
  }
  return at == size;
}

}  // namespace

std::vector<uint8_t> encode_world_grids(uint64_t world_key) {
  std::vector<uint32_t> words(TOTAL_WORDS);
  uint32_t* w = words.data();
  memcpy(w, hmap, sizeof(hmap));
  memcpy(w + HEIGHT_WORDS, target_hmap, sizeof(target_hmap));
  for (size_t i = 0; i < HEIGHT_WORDS; i++) w[HEIGHT_WORDS + i] ^= w[i];
  to_planes(water, FLUID_FIELDS, w + 2 * HEIGHT_WORDS);
  to_planes(surface, SURFACE_FIELDS, w + 2 * HEIGHT_WORDS + FLUID_WORDS);

  std::vector<uint8_t> out;
  put_word(out, GRIDS_MAGIC);
  put_word(out, GRIDS_VERSION);
  put_word(out, uint32_t(world_key));
  put_word(out, uint32_t(world_key >> 32));
  pack(w, TOTAL_WORDS, out);
  return out;
}

bool encoded_world_key(const uint8_t* bytes, size_t size, uint64_t* key) {
  if (size < HEADER_BYTES || word_at(bytes) != GRIDS_MAGIC || word_at(bytes + 4) != GRIDS_VERSION) return false;
  *key = uint64_t(word_at(bytes + 8)) | uint64_t(word_at(bytes + 12)) << 32;
  return true;
}

bool decode_world_grids(const uint8_t* bytes, size_t size) {
  uint64_t key;
  if (!encoded_world_key(bytes, size, &key)) return false;
  std::vector<uint32_t> words(TOTAL_WORDS);
  if (!unpack(bytes + HEADER_BYTES, size - HEADER_BYTES, words.data(), TOTAL_WORDS)) return false;
  uint32_t* w = words.data();
  for (size_t i = 0; i < HEIGHT_WORDS; i++) w[HEIGHT_WORDS + i] ^= w[i];
  memcpy(hmap, w, sizeof(hmap));
  memcpy(target_hmap, w + HEIGHT_WORDS, sizeof(target_hmap));
  from_planes(w + 2 * HEIGHT_WORDS, FLUID_FIELDS, water);
  memcpy(tmpw, water, sizeof(water));
  from_planes(w + 2 * HEIGHT_WORDS + FLUID_WORDS, SURFACE_FIELDS, surface);
  return true;
}
