// Loading samples and streams from files: what loads, and the log line and
// handle 0 for everything that cannot.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "sound/sound_output.h"
#include "tests/sound/sound_test_data.h"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

std::vector<uint8_t> short_wav() { return encode_wav(make_tone(440, 0.5f, 0.1f), 1, TEST_RATE, WavCoding::PCM16); }

std::vector<uint8_t> joined(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class SoundLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    use_wave_output();
    ASSERT_TRUE(init_sound(true));
  }
  void TearDown() override { close_sound(); }

  // Loads with the log captured; returns the handle.
  unsigned stream(const std::string& path, int offset = 0, int size = 0) {
    CaptureStdout();
    unsigned h = load_sound_stream(path.c_str(), -1, 0, offset, size);
    log = GetCapturedStdout();
    return h;
  }
  unsigned sample(const std::string& path, int offset = 0, int length = 0) {
    CaptureStdout();
    unsigned h = load_sound_sample(path.c_str(), 2, 0, 1, offset, length);
    log = GetCapturedStdout();
    return h;
  }
  std::string log;
};

TEST_F(SoundLoad, WavAndOggFilesLoadAsSamplesAndStreams) {
  std::string wav = write_test_file("a.wav", short_wav());
  std::string ogg = write_test_file("a.ogg", encode_ogg(make_tone(440, 0.5f, 0.2f), 1, TEST_RATE));
  for (const std::string& path : {wav, ogg}) {
    unsigned s = sample(path);
    EXPECT_NE(s, 0u) << log;
    EXPECT_EQ(log, "");
    unsigned m = stream(path);
    EXPECT_NE(m, 0u) << log;
    EXPECT_TRUE(free_sound_sample(s));
    EXPECT_TRUE(free_sound_stream(m));
    // Freed handles are dead, and a handle of one kind is no other kind.
    EXPECT_FALSE(free_sound_sample(s));
    EXPECT_FALSE(free_sound_stream(m));
    EXPECT_FALSE(free_sound_stream(s));
  }
}

TEST_F(SoundLoad, MissingFileLogsAndGivesZero) {
  std::string path = test_dir() + "/nowhere.ogg";
  EXPECT_EQ(stream(path), 0u);
  EXPECT_EQ(log, "failed to open stream file '" + path + "'\n");
  EXPECT_EQ(sample(path), 0u);
  EXPECT_EQ(log, "error loading sample from '" + path + "'\n");
}

// A pipe or a folder in a sound's place once blocked start-up for good.
TEST_F(SoundLoad, APipeOrFolderInPlaceOfASoundFailsAtOnce) {
  std::string pipe = test_dir() + "/pipe.ogg", folder = test_dir() + "/folder.wav";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  for (const std::string& path : {pipe, folder}) {
    EXPECT_EQ(stream(path), 0u);
    EXPECT_EQ(log, "failed to open stream file '" + path + "'\n");
    EXPECT_EQ(sample(path), 0u);
    EXPECT_EQ(log, "error loading sample from '" + path + "'\n");
  }
}

TEST_F(SoundLoad, EmptyGarbageAndTruncatedFilesLogAndGiveZero) {
  std::string empty = write_test_file("empty.wav", {});
  EXPECT_EQ(stream(empty), 0u);
  EXPECT_EQ(log, "invalid offset 0 for '" + empty + "'\n");
  EXPECT_EQ(sample(empty), 0u);
  EXPECT_EQ(log, "error loading sample from '" + empty + "'\n");

  std::vector<uint8_t> wav = short_wav(), ogg = encode_ogg(make_tone(440, 0.5f, 0.3f), 1, TEST_RATE);
  std::string garbage = write_test_file("garbage.wav", std::vector<uint8_t>(3000, 0xA7));
  std::string cut_wav = write_test_file("cut.wav", std::vector<uint8_t>(wav.begin(), wav.begin() + wav.size() / 2));
  std::string cut_ogg = write_test_file("cut.ogg", std::vector<uint8_t>(ogg.begin(), ogg.begin() + ogg.size() / 2));
  for (const std::string& path : {garbage, cut_wav, cut_ogg}) {
    EXPECT_EQ(stream(path), 0u);
    EXPECT_EQ(log, "error creating stream from '" + path + "'\n");
    EXPECT_EQ(sample(path), 0u);
    EXPECT_EQ(log, "error loading sample from '" + path + "'\n");
  }
}

TEST_F(SoundLoad, StreamReadsFromTheOffsetToTheEndWhenSizeIsZero) {
  std::vector<uint8_t> wav = short_wav();
  std::string path = write_test_file("packed.bin", joined(std::vector<uint8_t>(100, 0xEE), wav));
  EXPECT_EQ(stream(path, 0, 0), 0u);  // the junk in front is no sound
  EXPECT_NE(stream(path, 100, 0), 0u);
  EXPECT_NE(stream(path, 100, int(wav.size())), 0u);

  int length = int(wav.size()) + 100;
  EXPECT_EQ(stream(path, length, 0), 0u);
  EXPECT_EQ(log, "invalid offset " + std::to_string(length) + " for '" + path + "'\n");
  EXPECT_EQ(stream(path, length + 50, 0), 0u);
  EXPECT_EQ(log, "invalid offset " + std::to_string(length + 50) + " for '" + path + "'\n");
  EXPECT_EQ(stream(path, 100, int(wav.size()) + 1), 0u);
  EXPECT_EQ(log, "error reading stream file '" + path + "'\n");
}

TEST_F(SoundLoad, SampleReadsItsSliceOfTheFile) {
  std::vector<uint8_t> wav = short_wav();
  std::string path = write_test_file("slice.bin", joined(joined(std::vector<uint8_t>(64, 1), wav), {9, 9, 9}));
  EXPECT_NE(sample(path, 64, int(wav.size())), 0u) << log;
  EXPECT_EQ(sample(path, 0, 0), 0u);
  EXPECT_EQ(sample(path, 64, int(wav.size()) + 100), 0u);  // runs past the end
}

TEST_F(SoundLoad, StereoFilesLoadIn3D) {
  std::vector<float> tone = make_tone(440, 0.5f, 0.1f);
  std::string path = write_test_file("stereo.wav", encode_wav(interleave(tone, tone), 2, TEST_RATE, WavCoding::PCM16));
  unsigned s = load_sound_sample(path.c_str(), 1, SOUND_FLAG_3D, 1, 0, 0);
  ASSERT_NE(s, 0u);
  unsigned ch = get_sound_sample_channel(s, false);
  EXPECT_TRUE(set_sound_3d_pos(ch, _mm_setr_ps(1, 2, 3, 0)));
  unsigned m = load_sound_stream(path.c_str(), -1, SOUND_FLAG_3D, 0, 0);
  ASSERT_NE(m, 0u);
  EXPECT_TRUE(set_sound_3d_pos(m, _mm_setr_ps(1, 2, 3, 0)));
}

TEST(SoundWithoutDevice, AFailedDeviceLeavesEveryLoadFailingWithItsLogLine) {
  if (wave_output_in_use()) GTEST_SKIP() << "OpenAL was configured earlier in this process";
  setenv("ALSOFT_CONF", "/dev/null", 1);
  setenv("ALSOFT_DRIVERS", "no_such_driver", 1);
  CaptureStdout();
  EXPECT_FALSE(init_sound(true));
  EXPECT_EQ(GetCapturedStdout(), "error opening sound device\n");
  std::string path = write_test_file("fine.wav", short_wav());
  CaptureStdout();
  EXPECT_EQ(load_sound_sample(path.c_str(), 1, 0, 1, 0, 0), 0u);
  EXPECT_EQ(load_sound_stream(path.c_str(), -1, 0, 0, 0), 0u);
  EXPECT_EQ(GetCapturedStdout(),
            "error loading sample from '" + path + "'\nerror creating stream from '" + path + "'\n");
  EXPECT_FALSE(play_sound(0, true));
  EXPECT_FALSE(is_sound_playing(12345));
  apply_3d_sound();
  CaptureStdout();
  close_sound();
  EXPECT_EQ(GetCapturedStdout(), "closing sound\n");
}

}  // namespace
