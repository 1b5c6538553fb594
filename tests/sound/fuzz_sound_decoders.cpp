// libFuzzer entry: every decoder entry point on arbitrary bytes, then reads
// and seeks as the sound layer does.
#include <cstdint>
#include <vector>

#include "sound/audio_decoder.h"
#include "sound/vorbis_decoder.h"
#include "sound/wav_decoder.h"

namespace {

void exercise(std::unique_ptr<AudioDecoder> dec) {
  if (!dec) return;
  std::vector<float> buf(size_t(1024) * dec->channels());
  int64_t total = 0;
  // Reads are bounded by the input, but a lying length must not run forever.
  while (total < (int64_t(1) << 22)) {
    int n = dec->read(buf.data(), 1024);
    if (n <= 0) break;
    total += n;
  }
  if (dec->seek(dec->lengthFrames() / 2)) dec->read(buf.data(), 1024);
  if (dec->seek(0)) dec->read(buf.data(), 1024);
  dec->seek(dec->lengthFrames());
  dec->read(buf.data(), 1024);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  exercise(open_wav_decoder(data, size));
  exercise(open_vorbis_decoder(data, size));
  exercise(open_audio_decoder(data, size));
  return 0;
}
