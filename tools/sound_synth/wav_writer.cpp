#include "tools/sound_synth/wav_writer.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace synth {

namespace {
void put16(std::vector<uint8_t>& o, uint32_t v) {
  o.push_back(uint8_t(v));
  o.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& o, uint32_t v) {
  put16(o, v & 0xFFFF);
  put16(o, v >> 16);
}
void tag(std::vector<uint8_t>& o, char const* t) { o.insert(o.end(), t, t + 4); }
}  // namespace

bool write_wav(std::string const& path, Buffer const& b) {
  uint32_t bytes = uint32_t(b.data.size() * 2);
  std::vector<uint8_t> o;
  o.reserve(44 + bytes);
  tag(o, "RIFF");
  put32(o, 36 + bytes);
  tag(o, "WAVE");
  tag(o, "fmt ");
  put32(o, 16);
  put16(o, 1);
  put16(o, uint32_t(b.channels));
  put32(o, uint32_t(b.rate));
  put32(o, uint32_t(b.rate * b.channels * 2));
  put16(o, uint32_t(b.channels * 2));
  put16(o, 16);
  tag(o, "data");
  put32(o, bytes);
  for (float v : b.data) {
    v = v > 1 ? 1 : (v < -1 ? -1 : v);
    put16(o, uint32_t(uint16_t(int16_t(std::lrint(v * 32767)))));
  }
  std::string tmp = path + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(o.data(), 1, o.size(), f) == o.size();
  ok = std::fclose(f) == 0 && ok;
  return ok && std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace synth
