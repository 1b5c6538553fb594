#pragma once
// Inside of the sound layer: the device, the fixed tables of samples and
// channels behind the handles, and the helpers the operation files share.
// One mutex guards all of it: the main thread calls the operations, the
// sound thread feeds streams, runs volume slides and notices ended channels.

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include <xmmintrin.h>

#include "sound/audio_decoder.h"

constexpr int MAX_SOUND_SAMPLES = 1024;
constexpr int MAX_SOUND_CHANNELS_TOTAL = 1024;

constexpr int STREAM_BUFFER_COUNT = 4;
constexpr int STREAM_BUFFER_FRAMES = 4096;  // with 4 buffers, 370 ms of slack at 44.1 kHz
// How often the sound thread wakes: sets the resolution of slide ends.
constexpr int SOUND_THREAD_PERIOD_MS = 5;

// Handle layout: kind in the top 2 bits, then an 18-bit generation that changes
// whenever the slot is handed out again (so stale handles fail), then the slot.
constexpr unsigned HANDLE_SLOT_BITS = 12;
constexpr unsigned HANDLE_GENERATION_BITS = 18;
constexpr unsigned HANDLE_KIND_SHIFT = 30;
constexpr unsigned HANDLE_KIND_SAMPLE = 1;
constexpr unsigned HANDLE_KIND_CHANNEL = 2;
static_assert((1u << HANDLE_SLOT_BITS) >= MAX_SOUND_SAMPLES);
static_assert((1u << HANDLE_SLOT_BITS) >= MAX_SOUND_CHANNELS_TOTAL);

enum class ChannelState : uint8_t { STOPPED, PLAYING, PAUSED };

struct SoundVec3 {
  float x = 0, y = 0, z = 0;
};

struct SoundStream {
  std::unique_ptr<uint8_t[]> memory;  // the file's bytes; the decoder reads them
  std::unique_ptr<AudioDecoder> decoder;
  ALuint buffers[STREAM_BUFFER_COUNT] = {};
  int out_channels = 0;      // 1 when a stereo file is played in 3D
  int64_t loop_frame = -1;   // where the end jumps to; -1 plays once
  bool decoder_ended = false;
  std::vector<float> decoded;
  std::vector<float> mixed;
};

struct SoundChannel {
  uint32_t generation = 0;
  bool in_use = false;
  bool is_3d = false;
  int sample = -1;  // owning sample slot; -1 for a stream
  ALuint source = 0;
  ChannelState state = ChannelState::STOPPED;
  double started_ms = 0;
  int64_t pending_seek = -1;  // frame the next play starts from, -1 for none

  float volume = 1.0f;
  float applied_gain = -1.0f;
  float pan = 0.0f;
  bool sliding = false;
  float slide_from = 0, slide_to = 0;
  double slide_start_ms = 0, slide_ms = 0;

  SoundVec3 pos, vel;
  float min_dist = 1.0f, max_dist = 1e9f;
  bool dirty_3d = false;

  std::unique_ptr<SoundStream> stream;
};

struct SoundSample {
  uint32_t generation = 0;
  bool in_use = false;
  ALuint buffer = 0;
  bool is_3d = false;
  bool loop = false;
  int max = 1;
  int kind = 0;
  int rate = 0;
  int64_t length_frames = 0;
  float volume = 1.0f, min_dist = 1.0f, max_dist = 1e9f;
  std::vector<int> channels;  // channel slots taken from this sample
};

struct SoundListener {
  SoundVec3 pos, vel;
  SoundVec3 front{0, 0, 1}, top{0, 1, 0};
  float distance_factor = 1.0f, rolloff = 1.0f, doppler = 1.0f;
  bool dirty = true;
  bool factors_dirty = true;
};

struct SoundSystem {
  std::mutex lock;
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  bool enable_3d = false;
  bool has_stereo_angles = false;
  void (*defer_updates)() = nullptr;
  void (*process_updates)() = nullptr;

  SoundListener listener;
  __m128 listener_pos = _mm_setzero_ps();

  SoundSample samples[MAX_SOUND_SAMPLES];
  SoundChannel channels[MAX_SOUND_CHANNELS_TOTAL];

  std::thread thread;
  std::condition_variable wake;
  bool quit = false;

  // A process that exits without close_sound must not leave the thread
  // running into the destruction of the tables.
  ~SoundSystem() {
    {
      std::lock_guard<std::mutex> hold(lock);
      quit = true;
    }
    wake.notify_all();
    if (thread.joinable()) thread.join();
  }
};

extern SoundSystem sound_state;

double sound_now_ms();
SoundVec3 to_sound_vec3(__m128 v);

unsigned make_handle(unsigned kind, int slot, uint32_t generation);
// The slot behind a live handle of that kind, or -1.
int sample_slot(unsigned handle);
int channel_slot(unsigned handle);

// Channel table (sound_channel.cpp); callers hold the lock.
int take_channel_slot(int sample, bool is_3d);  // with a fresh source; -1 when none
void release_channel(int slot);                 // deletes its source and stream
void reset_channel_attributes(SoundChannel& ch, const SoundSample* defaults);
float current_volume(const SoundChannel& ch, double now_ms);
void refresh_channel_state(SoundChannel& ch);
void stop_channel(SoundChannel& ch);
void push_channel_3d(SoundChannel& ch);
void tick_channel(SoundChannel& ch, double now_ms);

// Streams (sound_stream.cpp); callers hold the lock.
void stream_restart(SoundChannel& ch, int64_t frame);
void stream_resume(SoundChannel& ch);  // plays on from where it stopped
void stream_tick(SoundChannel& ch);
bool stream_seek(SoundChannel& ch, int64_t frame);
