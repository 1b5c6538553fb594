// The five house footprints: heights on the vertices, tile letters and 3-bit
// variants on the cells between them. String rows run from the largest z down.
#pragma once

struct HouseTemplate {
  int len;      // cells along x
  int count;    // cells along z
  float scale;  // a height digit k means k * scale / 9
  const char* heights;   // (len + 1) * (count + 1) characters
  const char* tiles;     // len * count characters, 'a'.. or '.'
  const char* variants;  // len * count digits
};

constexpr int HOUSE_TEMPLATE_COUNT = 5;
extern const HouseTemplate house_templates[HOUSE_TEMPLATE_COUNT];
