#include "sound/land_sounds.h"

#include <cmath>

#include "sound/sound_events.h"
#include "sound/sound_output.h"
#include "core/side_random.h"
#include "terrain/heightmap_data.h"
#include "terrain/terrain_hooks.h"

using HeightmapData::LandSoundGroup;

namespace {

constexpr int LAND_MOVING_EVENT = 24;
constexpr int LAND_SOUND_FADE_MS = 50;
constexpr int LAND_SOUND_STOP_MS = 10;
constexpr float LAND_SOUND_MAX_DISTANCE = 256.0f;
// Whether a group starts afresh depends on when the sound card finished its
// last sound, so the start offsets must not come from the game's generator.
SideRandom loop_start;

void play_land_sounds(LandSoundGroup* groups, int count) {
  for (int i = 0; i < count; ++i) {
    LandSoundGroup& group = groups[i];
    alignas(16) float acc[4];
    _mm_store_ps(acc, group.pos_accum);
    float weight = acc[3];
    if (!(weight > 0.0f)) {
      fade_out_and_stop_sound(group.channel, LAND_SOUND_FADE_MS);
      continue;
    }
    bool fresh = false;
    if (!is_sound_playing(group.channel)) {
      group.channel = get_sound_event_channel(LAND_MOVING_EVENT);
      fresh = true;
    }
    // Louder (heard from farther) the more ground moves.
    set_sound_3d_params(group.channel, 10.0f * std::pow(weight, 0.33333f), LAND_SOUND_MAX_DISTANCE);
    set_sound_3d_pos(group.channel, _mm_div_ps(group.pos_accum, _mm_set1_ps(weight)), _mm_setzero_ps());
    if (fresh) {
      // Start somewhere inside the loop, so that groups do not play in unison.
      set_relative_sound_pos(group.channel, loop_start.next01());
      slide_sound_volume(group.channel, 1.0f, LAND_SOUND_FADE_MS);
      play_sound(group.channel, true);
    }
  }
}

void stop_land_sounds(LandSoundGroup* groups, int count) {
  for (int i = 0; i < count; ++i) fade_out_and_stop_sound(groups[i].channel, LAND_SOUND_STOP_MS);
}

}  // namespace

void connect_land_sounds() {
  HeightmapData::TerrainHooks& hooks = HeightmapData::terrain_hooks;
  // The sound listener follows the camera every update.
  hooks.listener_pos = &get_listener_pos;
  hooks.play_land_sounds = &play_land_sounds;
  hooks.stop_land_sounds = &stop_land_sounds;
}
