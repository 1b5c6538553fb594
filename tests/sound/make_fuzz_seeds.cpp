// Writes a few valid sounds as the fuzzer's starting corpus.
#include <cstdio>
#include <string>

#include "tests/sound/sound_test_data.h"

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  std::string dir = argv[1];
  auto save = [&](const char* name, const std::vector<uint8_t>& bytes) {
    FILE* f = fopen((dir + "/" + name).c_str(), "wb");
    if (!f) return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  };
  std::vector<float> tone = make_tone(440, 0.5f, 0.05f, 8000);
  save("pcm8.wav", encode_wav(tone, 1, 8000, WavCoding::PCM8));
  save("pcm16.wav", encode_wav(tone, 1, 8000, WavCoding::PCM16));
  save("pcm24.wav", encode_wav(interleave(tone, tone), 2, 8000, WavCoding::PCM24));
  save("float.wav", encode_wav(tone, 1, 8000, WavCoding::FLOAT32_EXTENSIBLE));
  save("double.wav", encode_wav(tone, 1, 8000, WavCoding::FLOAT64));
  save("mono.ogg", encode_ogg(make_tone(440, 0.5f, 0.1f, 8000), 1, 8000));
  save("stereo.ogg", encode_ogg(interleave(tone, make_tone(660, 0.3f, 0.05f, 8000)), 2, 8000));
  return 0;
}
