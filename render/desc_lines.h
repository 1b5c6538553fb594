#pragma once
// Lines of a font or icon description held in memory, read the way a
// 256-byte line buffer reads a file: a longer line comes in pieces (and so
// fails the format its reader expects).
#include <cstddef>
#include <functional>

constexpr int DESC_LINE_SIZE = 256;

class DescLines {
public:
  DescLines(const char* data, size_t size) : p(data), end(data + size) {}
  // Next line (or piece) without its line feed; false at the end.
  bool next(char (&line)[DESC_LINE_SIZE]);

private:
  const char* p;
  const char* end;
};

struct Texture;

// Reads the description `name` beside the executable, lets parse read it
// and name its atlas, then loads "<atlas>.dds". Null when the file is
// missing, parse refuses it or the atlas can't be loaded.
typedef std::function<bool(const char* data, size_t size, char* atlas, int atlas_size)> DescParser;
Texture* load_desc_and_atlas(const char* name, const DescParser& parse);

// Clears a font or icon set and loads it again: its parse reads the
// description and its tex takes the atlas. False (and cleared) on failure.
template <class Desc>
bool load_described(Desc& desc, const char* name) {
  desc.clear();
  desc.tex = load_desc_and_atlas(name, [&desc](const char* data, size_t size, char* atlas, int atlas_size) {
    return desc.parse(data, size, atlas, atlas_size);
  });
  if (desc.tex) return true;
  desc.clear();
  return false;
}
