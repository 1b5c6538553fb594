#include <gtest/gtest.h>

#include <cmath>

#include "sound/audio_decoder.h"
#include "sound/wav_decoder.h"
#include "tests/sound/sound_test_data.h"

namespace {

std::vector<float> decode_all(AudioDecoder& dec) {
  std::vector<float> out(size_t(dec.lengthFrames()) * dec.channels());
  int got = dec.read(out.data(), int(dec.lengthFrames()));
  out.resize(size_t(got) * dec.channels());
  return out;
}

const std::vector<float> RAMP = {0.0f, 0.5f, -0.5f, 0.25f, -1.0f, 0.75f, -0.125f, 0.99f};

TEST(WavDecoder, EverySampleCodingDecodesToTheSameValues) {
  struct Case {
    WavCoding coding;
    float tolerance;
  } cases[] = {{WavCoding::PCM8, 1.0f / 64}, {WavCoding::PCM16, 1e-4f}, {WavCoding::PCM24, 1e-6f},
               {WavCoding::PCM32, 1e-7f},    {WavCoding::FLOAT32, 0},   {WavCoding::FLOAT64, 0},
               {WavCoding::FLOAT32_EXTENSIBLE, 0}};
  for (const Case& c : cases) {
    std::vector<uint8_t> file = encode_wav(RAMP, 1, 22050, c.coding);
    auto dec = open_audio_decoder(file.data(), file.size());
    ASSERT_TRUE(dec) << int(c.coding);
    EXPECT_EQ(dec->channels(), 1);
    EXPECT_EQ(dec->sampleRate(), 22050);
    ASSERT_EQ(dec->lengthFrames(), int64_t(RAMP.size()));
    std::vector<float> got = decode_all(*dec);
    ASSERT_EQ(got.size(), RAMP.size());
    for (size_t i = 0; i < RAMP.size(); ++i) EXPECT_NEAR(got[i], RAMP[i], c.tolerance) << int(c.coding) << " at " << i;
  }
}

TEST(WavDecoder, StereoFramesStayInterleavedAndReadsResumeWhereTheyStopped) {
  std::vector<float> left = {0.1f, 0.2f, 0.3f, 0.4f}, right = {-0.1f, -0.2f, -0.3f, -0.4f};
  std::vector<uint8_t> file = encode_wav(interleave(left, right), 2, 8000, WavCoding::FLOAT32);
  auto dec = open_wav_decoder(file.data(), file.size());
  ASSERT_TRUE(dec);
  EXPECT_EQ(dec->channels(), 2);
  EXPECT_EQ(dec->lengthFrames(), 4);
  float buf[8];
  EXPECT_EQ(dec->read(buf, 3), 3);
  EXPECT_FLOAT_EQ(buf[4], 0.3f);
  EXPECT_FLOAT_EQ(buf[5], -0.3f);
  EXPECT_EQ(dec->read(buf, 3), 1);  // only one frame left
  EXPECT_FLOAT_EQ(buf[1], -0.4f);
  EXPECT_EQ(dec->read(buf, 3), 0);
  ASSERT_TRUE(dec->seek(1));
  EXPECT_EQ(dec->read(buf, 1), 1);
  EXPECT_FLOAT_EQ(buf[0], 0.2f);
  EXPECT_FALSE(dec->seek(5));
  EXPECT_TRUE(dec->seek(4));
  EXPECT_EQ(dec->read(buf, 1), 0);
}

TEST(WavDecoder, SkipsUnknownChunksIncludingOddSizedOnes) {
  std::vector<uint8_t> file = encode_wav(RAMP, 1, 8000, WavCoding::PCM16);
  // Insert an odd-sized "LIST" chunk (with its pad byte) before "fmt ".
  std::vector<uint8_t> extra = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
  file.insert(file.begin() + 12, extra.begin(), extra.end());
  auto dec = open_wav_decoder(file.data(), file.size());
  ASSERT_TRUE(dec);
  EXPECT_EQ(dec->lengthFrames(), int64_t(RAMP.size()));
}

TEST(WavDecoder, RefusesTruncatedEmptyAndMalformedFiles) {
  std::vector<uint8_t> good = encode_wav(RAMP, 1, 8000, WavCoding::PCM16);
  ASSERT_TRUE(open_wav_decoder(good.data(), good.size()));

  for (size_t cut : {size_t(0), size_t(4), size_t(11), size_t(30), good.size() - 1})
    EXPECT_FALSE(open_wav_decoder(good.data(), cut)) << "cut at " << cut;

  std::vector<uint8_t> no_frames = encode_wav({}, 1, 8000, WavCoding::PCM16);
  EXPECT_FALSE(open_wav_decoder(no_frames.data(), no_frames.size()));

  std::vector<float> six(6 * 4, 0.1f);
  std::vector<uint8_t> surround = encode_wav(six, 6, 8000, WavCoding::PCM16);
  EXPECT_FALSE(open_wav_decoder(surround.data(), surround.size()));

  std::vector<uint8_t> bad = good;
  bad[32] = 3;  // block align that does not match channels * bytes
  EXPECT_FALSE(open_wav_decoder(bad.data(), bad.size()));
  bad = good;
  bad[34] = 12;  // 12 bits per sample
  EXPECT_FALSE(open_wav_decoder(bad.data(), bad.size()));
  bad = good;
  bad[24] = bad[25] = bad[26] = bad[27] = 0;  // rate 0
  EXPECT_FALSE(open_wav_decoder(bad.data(), bad.size()));
  bad = good;
  bad[16] = 0xFF;  // fmt chunk claims more bytes than the file has
  bad[17] = 0xFF;
  EXPECT_FALSE(open_wav_decoder(bad.data(), bad.size()));

  std::vector<uint8_t> garbage(200, 0x5A);
  EXPECT_FALSE(open_audio_decoder(garbage.data(), garbage.size()));
  EXPECT_FALSE(open_audio_decoder(nullptr, 0));
}

TEST(WavDecoder, DataChunkBeforeFormatIsRefused) {
  std::vector<uint8_t> good = encode_wav(RAMP, 1, 8000, WavCoding::PCM16);
  // RIFF header, then the data chunk moved in front of the fmt chunk.
  std::vector<uint8_t> swapped(good.begin(), good.begin() + 12);
  swapped.insert(swapped.end(), good.begin() + 36, good.end());
  swapped.insert(swapped.end(), good.begin() + 12, good.begin() + 36);
  EXPECT_FALSE(open_wav_decoder(swapped.data(), swapped.size()));
}

}  // namespace
