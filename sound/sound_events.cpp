// Sound events by number. Positional event sounds are tracked so that they
// stay on the image of their source nearest the listener as it moves.
#include "sound/sound_events.h"

#include "core/debug.h"
#include "core/dyn_array.h"
#include "sound/sound_output.h"
#include "sound/sound_script.h"
#include "terrain/heightmap_data.h"

char const* const sound_event_name[NUM_SOUND_EVENTS] = {
    "use_portal",        "enter_world",      "portal_appears",     "portal_loop",       "player_hit",
    "spell_appears",     "spell_loop",       "spell_discharge",    "pick_up_spell",     "generic_cast",
    "generic_missile",   "fireball_cast",    "fireball_missile",   "fireball_hit",      "fireball_hit_water",
    "meteor_cast",       "meteor_missile",   "meteor_hit",         "lightning_cast",    "thstorm_cast",
    "thstorm_missile",   "thstorm_lightning", "burn_loop",         "tree_regrows",      "land_moving",
    "mana_idle",         "wyvern_spawn",     "wyvern_idle",        "wyvern_attack",     "wyvern_hit",
    "bird_idle",         "bird_hit",         "volcano_explosion",  "volcano_eruption",
};

namespace {

constexpr int EVENT_FADE_MS = 10;

DynArray<unsigned int> tracked_3d_channels;
bool log_sound_events = false;

}  // namespace

unsigned int get_sound_event_channel(int event) {
  if (event < 0 || event >= NUM_SOUND_EVENTS) return 0;
  if (log_sound_events) {
    debug("sound event '%s'", sound_event_name[event]);
    visual_log("sound event '%s'", sound_event_name[event]);
  }
  return run_sound_event_script(event);
}

unsigned int play_sound_event(int event) {
  unsigned int channel = get_sound_event_channel(event);
  if (channel) play_sound(channel, true);
  return channel;
}

unsigned int play_sound_event(int event, __m128 pos, __m128 vel) {
  unsigned int channel = get_sound_event_channel(event);
  if (!channel) return 0;
  tracked_3d_channels.append(channel);
  set_sound_3d_pos(channel, wrap_sound_pos(pos), vel);
  play_sound(channel, true);
  return channel;
}

void stop_event_sounds() {
  HeightmapData::stopSounds();
  for (unsigned int channel : tracked_3d_channels) fade_out_and_stop_sound(channel, EVENT_FADE_MS);
  tracked_3d_channels.clear();
}

void update_event_sounds(__m128 listener_pos) {
  for (int i = 0; i < tracked_3d_channels.size();) {
    unsigned int channel = tracked_3d_channels[i];
    __m128 pos;
    if (!get_sound_3d_pos(channel, pos)) {
      // Gone (stolen, freed): the last entry fills the hole and is looked at next.
      tracked_3d_channels.eraseFast(i, 1);
      continue;
    }
    __m128 wrapped = wrap_pos_around(pos, listener_pos);
    if (_mm_movemask_ps(_mm_cmpneq_ps(wrapped, pos)) != 0) set_sound_3d_pos(channel, wrapped);
    ++i;
  }
  apply_3d_sound();
}

int count_tracked_event_sounds() { return tracked_3d_channels.size(); }

void forget_event_sounds() { tracked_3d_channels.clear(); }

void toggle_sound_event_logging() {
  log_sound_events = !log_sound_events;
  if (log_sound_events)
    visual_log("logging sound events");
  else
    clear_visual_log();
}

bool is_sound_event_logging() { return log_sound_events; }
