#include "sound/wav_decoder.h"

#include <cstring>

namespace {

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_IEEE_FLOAT = 3;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;
constexpr int MAX_SAMPLE_RATE = 768000;

uint16_t read_u16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t read_u32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

enum class SampleCoding { UNSIGNED8, SIGNED16, SIGNED24, SIGNED32, FLOAT32, FLOAT64 };

float decode_sample(const uint8_t* p, SampleCoding coding) {
  switch (coding) {
    case SampleCoding::UNSIGNED8: return (int(p[0]) - 128) * (1.0f / 128.0f);
    case SampleCoding::SIGNED16: return int16_t(read_u16(p)) * (1.0f / 32768.0f);
    case SampleCoding::SIGNED24: {
      int32_t v = int32_t((uint32_t(p[0]) << 8) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 24)) >> 8;
      return v * (1.0f / 8388608.0f);
    }
    case SampleCoding::SIGNED32: return float(double(int32_t(read_u32(p))) * (1.0 / 2147483648.0));
    case SampleCoding::FLOAT32: {
      uint32_t bits = read_u32(p);
      float f;
      memcpy(&f, &bits, 4);
      return f;
    }
    case SampleCoding::FLOAT64: {
      uint64_t bits = uint64_t(read_u32(p)) | (uint64_t(read_u32(p + 4)) << 32);
      double d;
      memcpy(&d, &bits, 8);
      return float(d);
    }
  }
  return 0.0f;
}

class WavDecoder : public AudioDecoder {
 public:
  WavDecoder(const uint8_t* frames, int channels, int rate, int64_t length, SampleCoding coding, int bytes)
      : frames_(frames), coding_(coding), sample_bytes_(bytes) {
    channels_ = channels;
    sample_rate_ = rate;
    length_frames_ = length;
  }

  int read(float* out, int frames) override {
    if (frames <= 0) return 0;
    int64_t left = length_frames_ - pos_;
    int n = left < frames ? int(left) : frames;
    const uint8_t* p = frames_ + pos_ * channels_ * sample_bytes_;
    for (int i = 0; i < n * channels_; ++i, p += sample_bytes_) out[i] = decode_sample(p, coding_);
    pos_ += n;
    return n;
  }

  bool seek(int64_t frame) override {
    if (frame < 0 || frame > length_frames_) return false;
    pos_ = frame;
    return true;
  }

 private:
  const uint8_t* frames_;
  SampleCoding coding_;
  int sample_bytes_;
  int64_t pos_ = 0;
};

bool pick_coding(uint16_t format, int bits, SampleCoding& coding) {
  if (format == WAVE_FORMAT_PCM) {
    switch (bits) {
      case 8: coding = SampleCoding::UNSIGNED8; return true;
      case 16: coding = SampleCoding::SIGNED16; return true;
      case 24: coding = SampleCoding::SIGNED24; return true;
      case 32: coding = SampleCoding::SIGNED32; return true;
    }
  } else if (format == WAVE_FORMAT_IEEE_FLOAT) {
    if (bits == 32) { coding = SampleCoding::FLOAT32; return true; }
    if (bits == 64) { coding = SampleCoding::FLOAT64; return true; }
  }
  return false;
}

}  // namespace

std::unique_ptr<AudioDecoder> open_wav_decoder(const uint8_t* data, size_t size) {
  if (!data || size < 12 || memcmp(data, "RIFF", 4) != 0 || memcmp(data + 8, "WAVE", 4) != 0) return nullptr;

  bool have_format = false;
  uint16_t format = 0;
  int channels = 0, rate = 0, block_align = 0, bits = 0;
  size_t at = 12;
  // Chunks are walked with sizes checked against what is really there, so a
  // truncated or lying header is refused rather than read past.
  while (size - at >= 8) {
    const uint8_t* chunk = data + at;
    uint32_t chunk_size = read_u32(chunk + 4);
    size_t body = at + 8;
    if (chunk_size > size - body) return nullptr;

    if (memcmp(chunk, "fmt ", 4) == 0) {
      if (chunk_size < 16) return nullptr;
      format = read_u16(chunk + 8);
      channels = read_u16(chunk + 10);
      rate = int(read_u32(chunk + 12) > uint32_t(MAX_SAMPLE_RATE) ? 0 : read_u32(chunk + 12));
      block_align = read_u16(chunk + 20);
      bits = read_u16(chunk + 22);
      if (format == WAVE_FORMAT_EXTENSIBLE) {
        // The real format is the first two bytes of the sub-format GUID.
        if (chunk_size < 40 || read_u16(chunk + 24) < 22) return nullptr;
        format = read_u16(chunk + 32);
      }
      have_format = true;
    } else if (memcmp(chunk, "data", 4) == 0) {
      SampleCoding coding;
      if (!have_format || channels < 1 || channels > MAX_SOUND_CHANNELS || rate <= 0) return nullptr;
      if (!pick_coding(format, bits, coding)) return nullptr;
      int sample_bytes = bits / 8;
      if (block_align != sample_bytes * channels) return nullptr;
      int64_t frames = chunk_size / block_align;
      if (frames <= 0) return nullptr;
      return std::make_unique<WavDecoder>(data + body, channels, rate, frames, coding, sample_bytes);
    }
    // Chunk bodies are padded to an even size.
    size_t advance = size_t(chunk_size) + (chunk_size & 1);
    if (advance > size - body) break;
    at = body + advance;
  }
  return nullptr;
}
