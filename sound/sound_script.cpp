// The sound script machine: what the script may call, the samples and music
// it loaded, and the event records bound from its `events` table.
#include "sound/sound_script.h"

#include "core/debug.h"
#include "core/dyn_array.h"
#include "core/paths.h"
#include "core/temp_string.h"
#include "script/script_machines.h"
#include "script/sq_reloadable_vm.h"
#include "script/sqbind.h"
#include "sound/music.h"
#include "sound/sound_events.h"
#include "sound/sound_output.h"
#include "terrain/game_random.h"

namespace {

// Samples from the script always take over their farthest (or oldest)
// channel and read the whole file.
constexpr int SCRIPT_SAMPLE_STEAL = SOUND_STEAL_DEFAULT;

SqReloadableVM sound_script_rvm;
// Everything the script loaded; freed before the script runs again.
DynArray<unsigned int> loaded_samples;
DynArray<unsigned int> loaded_streams;
// "Can't load sound files:\n" and a line per failed path; zero-terminated
// whenever it is not empty.
DynArray<char> load_errors;
uint64_t sound_rnd_state = 0;
// One record per event: the function of that name in `events`, called with
// the table (held weakly) as `this`. A table replaced by a reload dies, and
// its records read as empty.
sqbind::SqFunc<int> event_records[NUM_SOUND_EVENTS];

void show_sound_script_error(const char* text) {
  TempString<4096> message;
  message.format(SCRIPT_MACHINE_RULES[SCRIPT_MACHINE_SOUND].errorFormat, text);
  set_error_message(message);
}

void note_load_error(const char* path) {
  static const char HEADER[] = "Can't load sound files:\n";
  if (!load_errors.empty()) load_errors.resize(load_errors.size() - 1);  // drop the terminator
  if (load_errors.empty()) load_errors.insert(0, int(sizeof(HEADER) - 1), HEADER);
  load_errors.insert(load_errors.size(), int(strlen(path)), path);
  load_errors.append('\n');
  load_errors.append('\0');
}

void raise_load_errors() {
  if (!load_errors.empty()) throw sqbind::SquirrelError(load_errors.data);
}

void free_loaded_sounds() {
  for (unsigned int sample : loaded_samples) free_sound_sample(sample);
  for (unsigned int stream : loaded_streams) free_sound_stream(stream);
  loaded_samples.clear();
  loaded_streams.clear();
}

void release_event_records() {
  for (sqbind::SqFunc<int>& record : event_records) record.release();
}

// Root-table slot `events`, with the failure text of a global read.
sqbind::SqObject get_events_table(HSQUIRRELVM vm) {
  SQInteger top = sq_gettop(vm);
  sq_pushroottable(vm);
  sq_pushstring(vm, "events", -1);
  if (SQ_FAILED(sq_get(vm, -2))) {
    sq_settop(vm, top);
    debug("getGlobal '%s' failed", "events");
    throw sqbind::SquirrelError(vm);
  }
  sqbind::SqObject events(vm, -1);
  sq_settop(vm, top);
  return events;
}

// --- functions of the script ---

unsigned int script_load_sample(const char* path, int max, int flags) {
  unsigned int sample = load_sound_sample(make_full_path(path), max, flags, SCRIPT_SAMPLE_STEAL, 0, 0);
  if (sample)
    loaded_samples.append(sample);
  else
    note_load_error(path);
  return sample;
}

unsigned int script_load_music(const char* path, float loop_pos) {
  unsigned int stream = load_sound_stream(make_full_path(path), loop_pos, 0, 0, 0);
  if (stream)
    loaded_streams.append(stream);
  else
    note_load_error(path);
  return stream;
}

unsigned int script_get_channel(unsigned int sample) { return get_sound_sample_channel(sample, false); }

int script_game_rnd() { return next_sound_script_rnd(); }

void bind_script_interface(HSQUIRRELVM vm) {
  sqbind::bind_func(vm, "load_sample", &script_load_sample);
  sqbind::bind_func(vm, "get_channel", &script_get_channel);
  sqbind::bind_func(vm, "set_channel_volume", &set_sound_volume);
  sqbind::bind_func(vm, "set_channel_3d_params", &set_sound_3d_params);
  sqbind::bind_func(vm, "play_channel", &play_sound);
  sqbind::bind_func(vm, "stop_channel", &stop_sound);
  sqbind::bind_func(vm, "fade_out_and_stop", &fade_out_and_stop_sound);
  sqbind::bind_func(vm, "set_sample_volume", &set_sound_sample_volume);
  sqbind::bind_func(vm, "set_sample_dist", &set_sound_sample_dist);
  sqbind::bind_func(vm, "game_rnd", &script_game_rnd);
  sqbind::bind_func(vm, "load_music", &script_load_music);
  sqbind::bind_const(vm, "SNDF_3D", SOUND_FLAG_3D);
  sqbind::bind_const(vm, "SNDF_LOOP", SOUND_FLAG_LOOP);
}

// Around a reload of the script files (the machine stays): the old sounds go,
// then the new `events` table is bound.
void before_sound_reload() {
  free_loaded_sounds();
  load_errors.clear();
}

void after_sound_reload() {
  bind_sound_events();
  restart_script_music();
  raise_load_errors();
}

}  // namespace

HSQUIRRELVM get_sound_script_vm() { return sound_script_rvm.vm; }

const char* get_sound_load_errors() { return load_errors.empty() ? "" : load_errors.data; }

int next_sound_script_rnd() {
  sound_rnd_state = sound_rnd_state * 0x5851F42D4C957F2DULL + 0x14057B7EF767814FULL;
  return int((sound_rnd_state >> 32) & 0x7FFFFFFFu);
}

unsigned int run_sound_event_script(int event) {
  const sqbind::SqFunc<int>& record = event_records[event];
  if (record.isNull()) return 0;
  try {
    return unsigned(record());
  } catch (const sqbind::SquirrelError& e) {
    show_sound_script_error(e.desc);
  }
  return 0;
}

void bind_sound_events() {
  release_event_records();
  HSQUIRRELVM vm = get_sound_script_vm();
  if (!vm) return;
  sqbind::SqObject events = get_events_table(vm);
  for (int event = 0; event < NUM_SOUND_EVENTS; event++) event_records[event].bind(vm, events, sound_event_name[event]);
  events.release();
  for (int event = 0; event < NUM_SOUND_EVENTS; event++)
    if (event_records[event].isNull()) debug("warning: no sound for event '%s'", sound_event_name[event]);
}

void init_sound_script() {
  // A machine still open from an earlier start goes first, with its sounds.
  if (get_sound_script_vm()) close_sound_script();
  sound_rnd_state = game_rnd_seed;
  open_script_machine(sound_script_rvm, SCRIPT_MACHINE_SOUND);
  bind_script_interface(get_sound_script_vm());
  load_errors.clear();
  try {
    run_script_main_file(sound_script_rvm, SCRIPT_MACHINE_SOUND);
    bind_sound_events();
    raise_load_errors();
  } catch (const sqbind::SquirrelError& e) {
    show_sound_script_error(e.desc);
  }
  register_script_machine(SCRIPT_MACHINE_SOUND, &sound_script_rvm, {before_sound_reload, after_sound_reload});
}

void reload_sound_script() { reload_script_machine(SCRIPT_MACHINE_SOUND); }

void close_sound_script() {
  unregister_script_machine(SCRIPT_MACHINE_SOUND);
  forget_event_sounds();
  forget_script_music();
  release_event_records();
  free_loaded_sounds();
  load_errors.clear();
  sound_script_rvm.close();
  // A later start runs the files again rather than taking them as included.
  sound_script_rvm.files.clear();
}
