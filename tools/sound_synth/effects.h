// The game's sound effects: one recipe per file.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "tools/sound_synth/dsp.h"

namespace synth {

struct Effect {
  std::string name;   // file name without ".wav"
  float seconds;
  bool loop;          // made seamless for SNDF_LOOP playback
  std::function<void(Buffer&)> recipe;
};

std::vector<Effect> game_effects();
// Renders one effect: recipe, reverb tail, level, clean edges or loop seam.
Buffer render_effect(Effect const& e, int rate);

}  // namespace synth
