#pragma once
// Background music: the streams the sound script loads with load_music and
// keeps in root-table slots ("music_menu", "music_game").

// Starts the music held in the sound script's root slot `name` from its
// beginning, fading out the music that was playing; nothing when that music
// is already playing. A slot that is missing or holds no stream stops the
// music.
void play_script_music(const char* name);
// The music's slot name, "" when none was asked for.
const char* get_script_music();
// The stream of the current music, 0 when none plays.
unsigned int get_script_music_stream();
// After the sound script ran again: its streams are new, so the current
// music starts again.
void restart_script_music();
// The sound script is closing: the music's stream goes with it.
void forget_script_music();
