#pragma once
// Sound events: the engine and the game-object module ask for a sound by event
// number; the sound script turns the number into a channel.

#include <xmmintrin.h>

constexpr int NUM_SOUND_EVENTS = 34;

// Event names in event-number order ("use_portal" .. "volcano_eruption").
extern char const* const sound_event_name[NUM_SOUND_EVENTS];

// The channel the sound script gives for `event`, not yet playing; 0 for an
// unknown event, an event without a sound, or a script error.
unsigned int get_sound_event_channel(int event);
// Gets the event's channel and plays it from the start.
unsigned int play_sound_event(int event);
// Same, placed at `pos` (wrapped around the listener) moving with `vel`; the
// channel is then kept wrapped by update_event_sounds.
unsigned int play_sound_event(int event, __m128 pos, __m128 vel);

// Silences the land sounds and fades out every positional event sound.
void stop_event_sounds();
// Re-wraps the positional event sounds around the listener, drops channels
// that no longer exist, then applies the 3D changes. Once per update.
void update_event_sounds(__m128 listener_pos);
// Positional event sounds currently kept wrapped.
int count_tracked_event_sounds();
// Stops tracking them without touching the channels (the sound layer is
// going away).
void forget_event_sounds();

// The sound script machine ("sound/sound.nut"); see sound/sound_script.h.
// Problems in the script or its sound files are shown on screen, never
// stop the program.
void init_sound_script();
void close_sound_script();
// Reruns the sound script when its files changed and rebinds the events.
void reload_sound_script();
// Re-reads the `events` table of the sound script into the event records.
void bind_sound_events();

// Developer switch: log every sound event asked for.
void toggle_sound_event_logging();
bool is_sound_event_logging();
