#pragma once
// A TrueType font file held in memory for stb_truetype.
#include <string>
#include <vector>
#include <stb/stb_truetype.h>

struct TrueTypeFile {
  std::vector<unsigned char> bytes;
  stbtt_fontinfo info;
};

// False (with a message on stderr) when the file is missing or not a font.
bool load_truetype(const std::string& path, TrueTypeFile* out);
