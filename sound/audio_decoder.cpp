#include "sound/audio_decoder.h"

#include <cstring>

#include "sound/vorbis_decoder.h"
#include "sound/wav_decoder.h"

std::unique_ptr<AudioDecoder> open_audio_decoder(const uint8_t* data, size_t size) {
  if (!data || size < 4) return nullptr;
  if (memcmp(data, "RIFF", 4) == 0) return open_wav_decoder(data, size);
  if (memcmp(data, "OggS", 4) == 0) return open_vorbis_decoder(data, size);
  return nullptr;
}
