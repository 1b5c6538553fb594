// The sound device, the handle tables and the sound thread; the listener and
// the moment 3D changes take effect.
#include <chrono>

#include "core/debug.h"
#include "sound/sound_output.h"
#include "sound/sound_system.h"

SoundSystem sound_state;

namespace {

constexpr int MIX_FREQUENCY = 44100;
// OpenAL Soft's default of 256 sources is too few once every sample keeps
// its channels; ask for plenty.
constexpr int REQUESTED_MONO_SOURCES = 960;
constexpr int REQUESTED_STEREO_SOURCES = 64;
constexpr float SPEED_OF_SOUND_MPS = 343.3f;

void sound_thread_main() {
  std::unique_lock<std::mutex> hold(sound_state.lock);
  while (!sound_state.quit) {
    double now = sound_now_ms();
    for (SoundChannel& ch : sound_state.channels)
      if (ch.in_use) tick_channel(ch, now);
    sound_state.wake.wait_for(hold, std::chrono::milliseconds(SOUND_THREAD_PERIOD_MS));
  }
}

// Our world is left-handed (D3D style, z forward); OpenAL's is right-handed.
void al_vec(ALenum param, const SoundVec3& v) { alListener3f(param, v.x, v.y, -v.z); }

void push_listener() {
  SoundListener& l = sound_state.listener;
  if (l.factors_dirty) {
    alDopplerFactor(l.doppler);
    alSpeedOfSound(SPEED_OF_SOUND_MPS / (l.distance_factor > 0 ? l.distance_factor : 1.0f));
    // Rolloff is a per-source value in OpenAL.
    for (SoundChannel& ch : sound_state.channels)
      if (ch.in_use && ch.is_3d) ch.dirty_3d = true;
    l.factors_dirty = false;
  }
  if (l.dirty) {
    al_vec(AL_POSITION, l.pos);
    al_vec(AL_VELOCITY, l.vel);
    float orientation[6] = {l.front.x, l.front.y, -l.front.z, l.top.x, l.top.y, -l.top.z};
    alListenerfv(AL_ORIENTATION, orientation);
    l.dirty = false;
  }
}

void close_device_locked() {
  for (int i = 0; i < MAX_SOUND_CHANNELS_TOTAL; ++i)
    if (sound_state.channels[i].in_use) release_channel(i);
  for (SoundSample& s : sound_state.samples) {
    if (!s.in_use) continue;
    alDeleteBuffers(1, &s.buffer);
    s.channels.clear();
    s.in_use = false;
    ++s.generation;
  }
  alcMakeContextCurrent(nullptr);
  if (sound_state.context) alcDestroyContext(sound_state.context);
  if (sound_state.device) alcCloseDevice(sound_state.device);
  sound_state.context = nullptr;
  sound_state.device = nullptr;
}

}  // namespace

double sound_now_ms() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

SoundVec3 to_sound_vec3(__m128 v) {
  alignas(16) float f[4];
  _mm_store_ps(f, v);
  return SoundVec3{f[0], f[1], f[2]};
}

unsigned make_handle(unsigned kind, int slot, uint32_t generation) {
  uint32_t gen = generation & ((1u << HANDLE_GENERATION_BITS) - 1);
  return (kind << HANDLE_KIND_SHIFT) | (gen << HANDLE_SLOT_BITS) | unsigned(slot);
}

static int live_slot(unsigned handle, unsigned kind, int count) {
  if ((handle >> HANDLE_KIND_SHIFT) != kind) return -1;
  int slot = int(handle & ((1u << HANDLE_SLOT_BITS) - 1));
  if (slot >= count) return -1;
  return slot;
}

int sample_slot(unsigned handle) {
  int slot = live_slot(handle, HANDLE_KIND_SAMPLE, MAX_SOUND_SAMPLES);
  if (slot < 0) return -1;
  const SoundSample& s = sound_state.samples[slot];
  return s.in_use && make_handle(HANDLE_KIND_SAMPLE, slot, s.generation) == handle ? slot : -1;
}

int channel_slot(unsigned handle) {
  int slot = live_slot(handle, HANDLE_KIND_CHANNEL, MAX_SOUND_CHANNELS_TOTAL);
  if (slot < 0) return -1;
  const SoundChannel& c = sound_state.channels[slot];
  return c.in_use && make_handle(HANDLE_KIND_CHANNEL, slot, c.generation) == handle ? slot : -1;
}

// Stops the sound thread, then frees every sample, stream and the device.
static void release_sound_device() {
  {
    std::lock_guard<std::mutex> hold(sound_state.lock);
    sound_state.quit = true;
  }
  sound_state.wake.notify_all();
  if (sound_state.thread.joinable()) sound_state.thread.join();
  std::lock_guard<std::mutex> hold(sound_state.lock);
  close_device_locked();
}

bool init_sound(bool enable_3d) {
  release_sound_device();
  std::lock_guard<std::mutex> hold(sound_state.lock);
  sound_state.device = alcOpenDevice(nullptr);
  if (sound_state.device) {
    ALCint attributes[] = {ALC_FREQUENCY, MIX_FREQUENCY, ALC_MONO_SOURCES, REQUESTED_MONO_SOURCES,
                           ALC_STEREO_SOURCES, REQUESTED_STEREO_SOURCES, 0};
    sound_state.context = alcCreateContext(sound_state.device, attributes);
  }
  if (!sound_state.context || !alcMakeContextCurrent(sound_state.context) || !alIsExtensionPresent("AL_EXT_FLOAT32")) {
    debug("error opening sound device");
    close_device_locked();
    return false;
  }
  sound_state.enable_3d = enable_3d;
  sound_state.has_stereo_angles = alIsExtensionPresent("AL_EXT_STEREO_ANGLES");
  if (alIsExtensionPresent("AL_SOFT_deferred_updates")) {
    sound_state.defer_updates = reinterpret_cast<void (*)()>(alGetProcAddress("alDeferUpdatesSOFT"));
    sound_state.process_updates = reinterpret_cast<void (*)()>(alGetProcAddress("alProcessUpdatesSOFT"));
  }
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  sound_state.listener = SoundListener{};
  push_listener();
  sound_state.quit = false;
  sound_state.thread = std::thread(sound_thread_main);
  debug("sound init OK, %s mode", enable_3d ? "3d" : "2d");
  return true;
}

void close_sound() {
  debug("closing sound");
  release_sound_device();
}

bool set_listener_3d_factors(float distance, float rolloff, float doppler) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  if (!sound_state.context) return false;
  sound_state.listener.distance_factor = distance;
  sound_state.listener.rolloff = rolloff;
  sound_state.listener.doppler = doppler;
  sound_state.listener.factors_dirty = true;
  return true;
}

bool set_listener_pos(__m128 pos, __m128 vel, __m128 front, __m128 const& top) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  // Wrapping follows the listener even without a device.
  sound_state.listener_pos = pos;
  if (!sound_state.context) return false;
  sound_state.listener.pos = to_sound_vec3(pos);
  sound_state.listener.vel = to_sound_vec3(vel);
  sound_state.listener.front = to_sound_vec3(front);
  sound_state.listener.top = to_sound_vec3(top);
  sound_state.listener.dirty = true;
  return true;
}

__m128 get_listener_pos() {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  return sound_state.listener_pos;
}

void apply_3d_sound() {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  if (!sound_state.context) return;
  // Batched so that every change is heard from the same mix on.
  if (sound_state.defer_updates) sound_state.defer_updates();
  push_listener();
  for (SoundChannel& ch : sound_state.channels)
    if (ch.in_use && ch.dirty_3d) push_channel_3d(ch);
  if (sound_state.process_updates) sound_state.process_updates();
}
