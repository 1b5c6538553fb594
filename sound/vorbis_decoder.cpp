#include "sound/vorbis_decoder.h"

#include <cstring>
#include <vector>

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb/stb_vorbis.h>

#include "sound/vorbis_open.h"

namespace {

constexpr size_t OGG_PAGE_HEADER = 27;
constexpr uint8_t OGG_END_OF_STREAM = 0x04;

// stb_vorbis plays whatever pages it finds, so a file cut short would load
// and just end early. The last whole page must be the stream's end page.
bool ends_with_whole_last_page(const uint8_t* data, size_t size) {
  if (size < OGG_PAGE_HEADER) return false;
  for (size_t p = size - OGG_PAGE_HEADER + 1; p-- > 0;) {
    if (memcmp(data + p, "OggS", 4) != 0) continue;
    size_t segments = data[p + 26];
    size_t table = p + OGG_PAGE_HEADER;
    if (table + segments > size) continue;
    size_t body = 0;
    for (size_t i = 0; i < segments; ++i) body += data[table + i];
    if (table + segments + body > size) continue;
    return (data[p + 5] & OGG_END_OF_STREAM) != 0;
  }
  return false;
}

uint32_t read_u32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// The packet with index `wanted`, reassembled from the pages in file order.
bool extract_packet(const uint8_t* data, size_t size, int wanted, std::vector<uint8_t>& packet) {
  int index = 0;
  packet.clear();
  for (size_t at = 0; size - at >= OGG_PAGE_HEADER && memcmp(data + at, "OggS", 4) == 0;) {
    size_t segments = data[at + 26];
    size_t table = at + OGG_PAGE_HEADER;
    if (table + segments > size) return false;
    size_t body = table + segments;
    for (size_t i = 0; i < segments; ++i) {
      size_t lace = data[table + i];
      if (body + lace > size) return false;
      if (index == wanted) packet.insert(packet.end(), data + body, data + body + lace);
      body += lace;
      if (lace < 255 && index++ == wanted) return true;
    }
    at = body;
  }
  return false;
}

// stb_vorbis trusts the lengths in the comment header: a count or length
// larger than the packet makes it free pointers it never set. Every length
// must fit in what is left of the packet.
bool comment_header_fits(const uint8_t* data, size_t size) {
  std::vector<uint8_t> packet;
  if (!extract_packet(data, size, 1, packet)) return false;
  if (packet.size() < 7 || packet[0] != 3 || memcmp(packet.data() + 1, "vorbis", 6) != 0) return false;
  size_t at = 7;
  auto take_length = [&](uint32_t& out) {
    if (packet.size() - at < 4) return false;
    out = read_u32(packet.data() + at);
    at += 4;
    return true;
  };
  uint32_t vendor = 0, count = 0;
  if (!take_length(vendor) || vendor > packet.size() - at) return false;
  at += vendor;
  if (!take_length(count) || count > (packet.size() - at) / 4) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t length = 0;
    if (!take_length(length) || length > packet.size() - at) return false;
    at += length;
  }
  return true;
}

class VorbisDecoder : public AudioDecoder {
 public:
  VorbisDecoder(stb_vorbis* vorbis, int channels, int rate, int64_t length) : vorbis_(vorbis) {
    channels_ = channels;
    sample_rate_ = rate;
    length_frames_ = length;
  }
  ~VorbisDecoder() override { stb_vorbis_close(vorbis_); }

  int read(float* out, int frames) override {
    int done = 0;
    while (done < frames && pos_ < length_frames_) {
      int64_t left = length_frames_ - pos_;
      int want = left < frames - done ? int(left) : frames - done;
      int got = stb_vorbis_get_samples_float_interleaved(vorbis_, channels_, out + done * channels_, want * channels_);
      if (got <= 0) break;
      done += got;
      pos_ += got;
    }
    return done;
  }

  bool seek(int64_t frame) override {
    if (frame < 0 || frame > length_frames_) return false;
    if (frame == length_frames_) {
      pos_ = frame;
      return true;
    }
    if (!stb_vorbis_seek(vorbis_, unsigned(frame))) return false;
    pos_ = frame;
    return true;
  }

 private:
  stb_vorbis* vorbis_;
  int64_t pos_ = 0;
};

}  // namespace

std::unique_ptr<AudioDecoder> open_vorbis_decoder(const uint8_t* data, size_t size) {
  if (!data || size < 4 || size > size_t(INT32_MAX) || memcmp(data, "OggS", 4) != 0) return nullptr;
  if (!ends_with_whole_last_page(data, size) || !comment_header_fits(data, size)) return nullptr;
  stb_vorbis* vorbis = open_vorbis_memory(data, int(size));
  if (!vorbis) return nullptr;
  stb_vorbis_info info = stb_vorbis_get_info(vorbis);
  unsigned length = stb_vorbis_stream_length_in_samples(vorbis);
  if (info.channels < 1 || info.channels > MAX_SOUND_CHANNELS || info.sample_rate == 0 || length == 0) {
    stb_vorbis_close(vorbis);
    return nullptr;
  }
  return std::make_unique<VorbisDecoder>(vorbis, info.channels, int(info.sample_rate), int64_t(length));
}
