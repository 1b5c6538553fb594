#include "tests/sound/sound_test_data.h"

#include <unistd.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "sound/wav_decoder.h"

std::vector<float> make_tone(float freq, float amp, float seconds, int rate) {
  std::vector<float> out(size_t(seconds * rate));
  for (size_t i = 0; i < out.size(); ++i) out[i] = amp * std::sin(2.0 * M_PI * freq * double(i) / rate);
  return out;
}

std::vector<float> interleave(const std::vector<float>& left, const std::vector<float>& right) {
  std::vector<float> out(left.size() * 2);
  for (size_t i = 0; i < left.size(); ++i) {
    out[2 * i] = left[i];
    out[2 * i + 1] = right[i];
  }
  return out;
}

namespace {

void put_u16(std::vector<uint8_t>& b, unsigned v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void put_u32(std::vector<uint8_t>& b, uint32_t v) {
  put_u16(b, v & 0xFFFF);
  put_u16(b, v >> 16);
}
void put_tag(std::vector<uint8_t>& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(tag[i]));
}

void put_sample(std::vector<uint8_t>& b, float v, WavCoding coding) {
  double c = v < -1 ? -1 : v > 1 ? 1 : v;
  switch (coding) {
    case WavCoding::PCM8: b.push_back(uint8_t(std::lround(c * 127) + 128)); break;
    case WavCoding::PCM16: put_u16(b, uint16_t(int16_t(std::lround(c * 32767)))); break;
    case WavCoding::PCM24: {
      int32_t s = int32_t(std::lround(c * 8388607));
      b.push_back(uint8_t(s));
      b.push_back(uint8_t(s >> 8));
      b.push_back(uint8_t(s >> 16));
      break;
    }
    case WavCoding::PCM32: put_u32(b, uint32_t(int32_t(std::llround(c * 2147483647.0)))); break;
    case WavCoding::FLOAT32:
    case WavCoding::FLOAT32_EXTENSIBLE: {
      uint32_t bits;
      memcpy(&bits, &v, 4);
      put_u32(b, bits);
      break;
    }
    case WavCoding::FLOAT64: {
      double d = v;
      uint64_t bits;
      memcpy(&bits, &d, 8);
      put_u32(b, uint32_t(bits));
      put_u32(b, uint32_t(bits >> 32));
      break;
    }
  }
}

int coding_bits(WavCoding coding) {
  switch (coding) {
    case WavCoding::PCM8: return 8;
    case WavCoding::PCM16: return 16;
    case WavCoding::PCM24: return 24;
    case WavCoding::FLOAT64: return 64;
    default: return 32;
  }
}

}  // namespace

std::vector<uint8_t> encode_wav(const std::vector<float>& samples, int channels, int rate, WavCoding coding) {
  int bytes = coding_bits(coding) / 8;
  bool extensible = coding == WavCoding::FLOAT32_EXTENSIBLE;
  bool is_float = coding == WavCoding::FLOAT32 || coding == WavCoding::FLOAT64 || extensible;
  std::vector<uint8_t> body;
  for (float v : samples) put_sample(body, v, coding);

  std::vector<uint8_t> b;
  put_tag(b, "RIFF");
  put_u32(b, 0);  // patched below
  put_tag(b, "WAVE");
  put_tag(b, "fmt ");
  put_u32(b, extensible ? 40 : 16);
  put_u16(b, extensible ? 0xFFFE : is_float ? 3 : 1);
  put_u16(b, channels);
  put_u32(b, rate);
  put_u32(b, rate * channels * bytes);
  put_u16(b, channels * bytes);
  put_u16(b, bytes * 8);
  if (extensible) {
    put_u16(b, 22);
    put_u16(b, bytes * 8);
    put_u32(b, channels == 1 ? 4 : 3);
    static const uint8_t float_guid[16] = {3, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    b.insert(b.end(), float_guid, float_guid + 16);
  }
  put_tag(b, "data");
  put_u32(b, uint32_t(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  if (body.size() & 1) b.push_back(0);
  uint32_t riff = uint32_t(b.size() - 8);
  memcpy(b.data() + 4, &riff, 4);
  return b;
}

std::vector<uint8_t> encode_ogg(const std::vector<float>& samples, int channels, int rate) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, 0.6f) != 0) throw std::runtime_error("vorbis encoder init");
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 1234);

  std::vector<uint8_t> out;
  auto put_page = [&](const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  };
  ogg_packet header, comments, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &code);
  ogg_page page;
  while (ogg_stream_flush(&os, &page)) put_page(page);

  size_t frames = samples.size() / channels;
  const size_t chunk = 4096;
  for (size_t at = 0;; at += chunk) {
    size_t n = at < frames ? std::min(chunk, frames - at) : 0;
    if (n == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&vd, int(n));
      for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c) buffer[c][i] = samples[(at + i) * channels + c];
      vorbis_analysis_wrote(&vd, int(n));
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (ogg_stream_pageout(&os, &page)) put_page(page);
      }
    }
    if (n == 0) break;
  }
  while (ogg_stream_flush(&os, &page)) put_page(page);
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

namespace {

// The folder goes away with the process.
struct TestDir {
  std::string path;
  TestDir() {
    path = (std::filesystem::temp_directory_path() / ("eh_sound_test_" + std::to_string(getpid()))).string();
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TestDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

std::string test_dir() {
  static TestDir dir;
  return dir.path;
}

std::string write_test_file(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = test_dir() + "/" + name;
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
  return path;
}

static std::string capture_path() { return test_dir() + "/mix.wav"; }

static bool wave_output_chosen = false;

bool wave_output_in_use() { return wave_output_chosen; }

void use_wave_output() {
  static bool done = [] {
    wave_output_chosen = true;
    std::string conf = test_dir() + "/alsoft.conf";
    std::string text = "[general]\ndrivers=wave\nchannels=stereo\nsample-type=float32\nfrequency=44100\nhrtf=false\n"
                       "[wave]\nfile=" + capture_path() + "\n";
    write_test_file("alsoft.conf", std::vector<uint8_t>(text.begin(), text.end()));
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    return true;
  }();
  (void)done;
}

float MixCapture::rms(const std::vector<float>& lane, double from, double to) const {
  size_t a = size_t(std::max(0.0, from) * rate), b = std::min(lane.size(), size_t(to * rate));
  if (b <= a) return 0;
  double sum = 0;
  for (size_t i = a; i < b; ++i) sum += double(lane[i]) * lane[i];
  return float(std::sqrt(sum / double(b - a)));
}

std::vector<float> MixCapture::envelope(double window) const {
  std::vector<float> env;
  double seconds = double(left.size()) / rate;
  for (double t = 0; t + window <= seconds; t += window) env.push_back(rms(left, t, t + window) + rms(right, t, t + window));
  return env;
}

MixCapture read_mix_capture() {
  FILE* f = fopen(capture_path().c_str(), "rb");
  if (!f) throw std::runtime_error("no mix capture");
  std::vector<uint8_t> bytes;
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  fclose(f);
  auto decoder = open_wav_decoder(bytes.data(), bytes.size());
  if (!decoder || decoder->channels() != 2) throw std::runtime_error("unreadable mix capture");
  MixCapture cap;
  cap.rate = decoder->sampleRate();
  std::vector<float> frames(size_t(decoder->lengthFrames()) * 2);
  int got = decoder->read(frames.data(), int(decoder->lengthFrames()));
  cap.left.resize(got);
  cap.right.resize(got);
  for (int i = 0; i < got; ++i) {
    cap.left[i] = frames[2 * i];
    cap.right[i] = frames[2 * i + 1];
  }
  return cap;
}
