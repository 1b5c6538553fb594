#pragma once
// The sound layer: samples, streams and their playback channels, volume and
// pan, volume slides, and a 3D listener in the wrapping world. Every sample,
// stream and channel is an unsigned handle; 0 means "none" or failure.
// Streams are channels too, so every channel operation also takes a stream.

#include <xmmintrin.h>

// Flag bits of load_sound_stream / load_sound_sample.
constexpr int SOUND_FLAG_3D = 1;
constexpr int SOUND_FLAG_LOOP = 2;

// Voice stealing kinds of load_sound_sample: which busy channel a new one
// takes over once all `max` channels of the sample are playing.
constexpr int SOUND_STEAL_NONE = 0;
constexpr int SOUND_STEAL_DEFAULT = 1;  // farthest when 3D, else longest-playing
constexpr int SOUND_STEAL_QUIETEST = 2;
constexpr int SOUND_STEAL_OLDEST = 3;
constexpr int SOUND_STEAL_FARTHEST = 4;

// World period in x and z; 3D positions are wrapped to the image nearest the
// listener.
constexpr float SOUND_WORLD_PERIOD = 256.0f;

bool init_sound(bool enable_3d);
void close_sound();

unsigned int load_sound_stream(char const* path, double loop_pos, int flags, int offset, int size);
bool free_sound_stream(unsigned int stream);

unsigned int load_sound_sample(char const* path, int max, int flags, int kind, int offset, int length);
bool free_sound_sample(unsigned int sample);
bool set_sound_sample_volume(unsigned int sample, float volume);
bool set_sound_sample_dist(unsigned int sample, float min, float max);
unsigned int get_sound_sample_channel(unsigned int sample, bool onlynew);

bool play_sound(unsigned int channel, bool restart);
bool pause_sound(unsigned int channel);
bool stop_sound(unsigned int channel);
bool is_sound_playing(unsigned int channel);
bool set_sound_volume(unsigned int channel, float volume);
bool set_sound_pan(unsigned int channel, float pan);
bool slide_sound_volume(unsigned int channel, float volume, int ms);
bool fade_out_and_stop_sound(unsigned int channel, int ms);
bool set_relative_sound_pos(unsigned int channel, float fraction);

bool set_listener_3d_factors(float distance, float rolloff, float doppler);
bool set_sound_3d_params(unsigned int channel, float min, float max);
bool set_listener_pos(__m128 pos, __m128 vel, __m128 front, __m128 const& top);
bool set_sound_3d_pos(unsigned int channel, __m128 pos, __m128 vel);
bool set_sound_3d_pos(unsigned int channel, __m128 pos);
bool get_sound_3d_pos(unsigned int channel, __m128& pos);
void apply_3d_sound();

// Sets a channel's 3D position to the image of `pos` nearest the listener,
// and its velocity; does nothing for channel 0.
void update_3d_sound(unsigned int channel, __m128 pos, __m128 vel);

// The image of `pos` nearest the listener position: x and z end within
// (-128, 128] of the listener, y and w are kept.
__m128 wrap_sound_pos(__m128 pos);
// The position last given to set_listener_pos.
__m128 get_listener_pos();
// Wrapping relative to an explicit centre (what wrap_sound_pos uses).
__m128 wrap_pos_around(__m128 pos, __m128 centre);
