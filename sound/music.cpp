#include "sound/music.h"
#include <cstring>
#include "core/debug.h"
#include "core/temp_string.h"
#include "sound/sound_output.h"
#include "sound/sound_script.h"

namespace {
constexpr int MUSIC_FADE_MS = 1000;
TempString<64> music_name;
unsigned int music_stream = 0;

unsigned int stream_in_slot(const char* name) {
  HSQUIRRELVM vm = get_sound_script_vm();
  if (!vm) return 0;
  SQInteger top = sq_gettop(vm);
  SQInteger handle = 0;
  sq_pushroottable(vm);
  sq_pushstring(vm, name, -1);
  if (SQ_SUCCEEDED(sq_get(vm, -2)) && sq_gettype(vm, -1) == OT_INTEGER) sq_getinteger(vm, -1, &handle);
  sq_settop(vm, top);
  return unsigned(handle);
}

void start(unsigned int stream) {
  music_stream = stream;
  if (!stream) return;
  set_sound_volume(stream, 1.f);
  play_sound(stream, true);
}
}  // namespace

void play_script_music(const char* name) {
  unsigned int stream = stream_in_slot(name);
  if (!strcmp(music_name, name) && stream && stream == music_stream && is_sound_playing(stream)) return;
  music_name.format("%s", name);
  if (music_stream && music_stream != stream) fade_out_and_stop_sound(music_stream, MUSIC_FADE_MS);
  start(stream);
  debug(stream ? "music: %s" : "music: %s (no such music)", name);
}

const char* get_script_music() { return music_name; }
unsigned int get_script_music_stream() { return music_stream; }

void restart_script_music() {
  music_stream = 0;
  if (music_name[0]) start(stream_in_slot(music_name));
}

void forget_script_music() {
  music_stream = 0;
  music_name.assign("");
}
