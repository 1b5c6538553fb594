// Writes every sound of the game as a WAV file: sound_synth OUT_FOLDER.
#include <cstdio>
#include <string>

#include "tools/sound_synth/effects.h"
#include "tools/sound_synth/music.h"
#include "tools/sound_synth/wav_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sound_synth OUT_FOLDER\n");
    return 2;
  }
  std::string dir = std::string(argv[1]) + "/";
  const int effect_rate = 22050, music_rate = 22050;
  int failed = 0;
  auto write = [&](std::string const& name, synth::Buffer const& b) {
    if (!synth::write_wav(dir + name + ".wav", b)) {
      std::fprintf(stderr, "sound_synth: cannot write %s%s.wav\n", dir.c_str(), name.c_str());
      failed++;
    }
  };
  for (synth::Effect const& e : synth::game_effects()) write(e.name, synth::render_effect(e, effect_rate));
  for (synth::Music const& m : {synth::menu_music(music_rate), synth::game_music(music_rate)}) {
    write(m.name, m.audio);
    std::printf("%s: %.2f s, loops from %.3f s\n", m.name.c_str(), m.audio.seconds(), m.loop_pos);
  }
  return failed ? 1 : 0;
}
