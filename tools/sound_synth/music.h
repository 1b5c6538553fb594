// The game's two music pieces: an intro followed by a section that loops.
#pragma once
#include <string>
#include <vector>

#include "tools/sound_synth/dsp.h"

namespace synth {

struct Music {
  std::string name;
  float loop_pos;  // seconds: where playback jumps back to at the end
  Buffer audio;    // stereo
};

Music menu_music(int rate);
Music game_music(int rate);

}  // namespace synth
