#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sound/audio_decoder.h"
#include "sound/vorbis_decoder.h"
#include "tests/sound/fuzz_crash_inputs.h"
#include "tests/sound/sound_test_data.h"

namespace {

float rms(const std::vector<float>& v, size_t from, size_t to, int stride = 1, int lane = 0) {
  double sum = 0;
  size_t n = 0;
  for (size_t i = from; i < to; ++i, ++n) sum += double(v[i * stride + lane]) * v[i * stride + lane];
  return n ? float(std::sqrt(sum / n)) : 0;
}

std::vector<float> decode_all(AudioDecoder& dec) {
  std::vector<float> out(size_t(dec.lengthFrames()) * dec.channels());
  int got = dec.read(out.data(), int(dec.lengthFrames()));
  out.resize(size_t(got) * dec.channels());
  return out;
}

TEST(VorbisDecoder, DecodesTheEncodedToneWithItsExactLength) {
  std::vector<float> tone = make_tone(440, 0.5f, 0.5f, 22050);
  std::vector<uint8_t> file = encode_ogg(tone, 1, 22050);
  auto dec = open_audio_decoder(file.data(), file.size());
  ASSERT_TRUE(dec);
  EXPECT_EQ(dec->channels(), 1);
  EXPECT_EQ(dec->sampleRate(), 22050);
  EXPECT_EQ(dec->lengthFrames(), int64_t(tone.size()));
  std::vector<float> got = decode_all(*dec);
  ASSERT_EQ(got.size(), tone.size());
  EXPECT_NEAR(rms(got, 1000, 10000), 0.5f / std::sqrt(2.0f), 0.02f);
  float buf[16];
  EXPECT_EQ(dec->read(buf, 16), 0);
}

TEST(VorbisDecoder, KeepsStereoChannelsApart) {
  std::vector<float> left = make_tone(440, 0.6f, 0.3f, 22050), right = make_tone(300, 0.1f, 0.3f, 22050);
  std::vector<uint8_t> file = encode_ogg(interleave(left, right), 2, 22050);
  auto dec = open_vorbis_decoder(file.data(), file.size());
  ASSERT_TRUE(dec);
  ASSERT_EQ(dec->channels(), 2);
  std::vector<float> got = decode_all(*dec);
  size_t frames = got.size() / 2;
  EXPECT_NEAR(rms(got, 500, frames - 500, 2, 0), 0.6f / std::sqrt(2.0f), 0.03f);
  EXPECT_NEAR(rms(got, 500, frames - 500, 2, 1), 0.1f / std::sqrt(2.0f), 0.02f);
}

TEST(VorbisDecoder, SeekLandsOnTheSameFramesASequentialReadGives) {
  std::vector<float> tone = make_tone(220, 0.5f, 1.0f, 22050);
  std::vector<uint8_t> file = encode_ogg(tone, 1, 22050);
  auto dec = open_vorbis_decoder(file.data(), file.size());
  ASSERT_TRUE(dec);
  std::vector<float> all = decode_all(*dec);
  for (int64_t at : {int64_t(0), int64_t(4321), int64_t(15000)}) {
    ASSERT_TRUE(dec->seek(at));
    float buf[256];
    ASSERT_EQ(dec->read(buf, 256), 256);
    for (int i = 0; i < 256; ++i) ASSERT_NEAR(buf[i], all[size_t(at) + i], 1e-4f) << "seek to " << at;
  }
  EXPECT_TRUE(dec->seek(dec->lengthFrames()));
  float buf[4];
  EXPECT_EQ(dec->read(buf, 4), 0);
  EXPECT_FALSE(dec->seek(dec->lengthFrames() + 1));
}

TEST(VorbisDecoder, RefusesTruncatedUnterminatedAndGarbageStreams) {
  std::vector<uint8_t> file = encode_ogg(make_tone(440, 0.5f, 0.5f, 22050), 1, 22050);
  ASSERT_TRUE(open_vorbis_decoder(file.data(), file.size()));
  for (size_t cut : {size_t(3), size_t(30), file.size() / 3, file.size() / 2, file.size() - 1})
    EXPECT_FALSE(open_audio_decoder(file.data(), cut)) << "cut at " << cut;

  // A stream whose last page does not carry the end-of-stream mark was cut
  // on a page boundary.
  std::vector<uint8_t> unterminated = file;
  for (size_t p = unterminated.size() - 27; p-- > 0;)
    if (memcmp(&unterminated[p], "OggS", 4) == 0) {
      unterminated[p + 5] &= ~0x04;
      break;
    }
  EXPECT_FALSE(open_vorbis_decoder(unterminated.data(), unterminated.size()));

  std::vector<uint8_t> garbage(4000, 0x33);
  memcpy(garbage.data(), "OggS", 4);
  EXPECT_FALSE(open_audio_decoder(garbage.data(), garbage.size()));
}

TEST(VorbisDecoder, RefusesMoreThanTwoChannels) {
  std::vector<float> three(3 * 4000);
  for (size_t i = 0; i < three.size(); ++i) three[i] = 0.3f * std::sin(0.05f * i);
  std::vector<uint8_t> file = encode_ogg(three, 3, 22050);
  EXPECT_FALSE(open_vorbis_decoder(file.data(), file.size()));
}

TEST(VorbisDecoder, SurvivesInputsTheFuzzerFound) {
  EXPECT_FALSE(open_audio_decoder(FUZZ_COMMENT_LIST_OVERFLOW, sizeof FUZZ_COMMENT_LIST_OVERFLOW));
  EXPECT_FALSE(open_audio_decoder(FUZZ_COMMENT_LIST_NULL, sizeof FUZZ_COMMENT_LIST_NULL));
  // Under the leak checker this also proves the failed open freed everything.
  EXPECT_FALSE(open_audio_decoder(FUZZ_CODEBOOK_ERROR_LEAK, sizeof FUZZ_CODEBOOK_ERROR_LEAK));
}

TEST(VorbisDecoder, RefusesCommentHeadersWhoseLengthsRunPastThePacket) {
  std::vector<uint8_t> file = encode_ogg(make_tone(440, 0.5f, 0.2f, 22050), 1, 22050);
  static const uint8_t tag[7] = {3, 'v', 'o', 'r', 'b', 'i', 's'};
  size_t at = std::search(file.begin(), file.end(), tag, tag + 7) - file.begin();
  ASSERT_LT(at, file.size());
  uint32_t vendor;
  memcpy(&vendor, &file[at + 7], 4);
  size_t count_at = at + 11 + vendor;

  std::vector<uint8_t> bad = file;
  uint32_t huge_count = 0x1FDFDFE1;  // times 8 bytes overflows an int
  memcpy(&bad[count_at], &huge_count, 4);
  EXPECT_FALSE(open_vorbis_decoder(bad.data(), bad.size()));

  bad = file;
  uint32_t huge_vendor = 0xFFFFFFFF;
  memcpy(&bad[at + 7], &huge_vendor, 4);
  EXPECT_FALSE(open_vorbis_decoder(bad.data(), bad.size()));

  EXPECT_TRUE(open_vorbis_decoder(file.data(), file.size()));
}

}  // namespace
