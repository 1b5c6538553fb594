#pragma once
// Distance-field fonts: every Latin-1 glyph of a TrueType face as a signed
// distance field in one 8-bit atlas, with a description file of glyph
// boxes and kerning pairs.
#include <string>
#include "tools/font_atlas/truetype_file.h"

struct SdfFontParams {
  const char* atlasName;  // without ".dds", relative to the game's folder
  int size;               // pixel height the glyphs are drawn at
  int spread;             // atlas pixels from the edge to a field of 0 or 1
};

// Writes <out_dir><atlasName>.fnt and <out_dir><atlasName>.dds.
bool write_sdf_font(const TrueTypeFile& face, const char* face_name, const SdfFontParams& params,
                    const std::string& out_dir);
