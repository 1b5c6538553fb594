#pragma once
// RIFF/WAVE reader: integer PCM of 8, 16, 24 or 32 bits and IEEE float of 32
// or 64 bits, plain or in the extensible format header.

#include "sound/audio_decoder.h"

// Null when the data is not a complete WAV file of a supported format.
std::unique_ptr<AudioDecoder> open_wav_decoder(const uint8_t* data, size_t size);
