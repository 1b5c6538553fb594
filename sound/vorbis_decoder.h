#pragma once
// Ogg Vorbis reader over stb_vorbis.

#include "sound/audio_decoder.h"

// Null when the data is not a complete Ogg Vorbis stream (the last page must be
// whole and end the stream) of 1 or 2 channels.
std::unique_ptr<AudioDecoder> open_vorbis_decoder(const uint8_t* data, size_t size);
