// 16-bit PCM WAV output of synthesised buffers.
#pragma once
#include <string>

#include "tools/sound_synth/dsp.h"

namespace synth {
// Clips to [-1, 1] and writes a RIFF/WAVE file; false when the file cannot be written.
bool write_wav(std::string const& path, Buffer const& b);
}
