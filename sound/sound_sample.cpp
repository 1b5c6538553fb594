// Samples: sounds decoded whole into one buffer, played through up to `max`
// channels each; when all are busy a new channel takes one over by kind.
#include <algorithm>
#include <vector>

#include "core/debug.h"
#include "sound/sound_file.h"
#include "sound/sound_output.h"
#include "sound/sound_system.h"

namespace {

SoundSample* lookup(unsigned handle) {
  int slot = sample_slot(handle);
  return slot < 0 ? nullptr : &sound_state.samples[slot];
}

ALuint make_buffer(AudioDecoder& decoder, bool to_mono) {
  int channels = decoder.channels();
  std::vector<float> frames(size_t(decoder.lengthFrames()) * channels);
  int64_t got = 0;
  while (got < decoder.lengthFrames()) {
    int want = int(std::min<int64_t>(decoder.lengthFrames() - got, 1 << 20));
    int n = decoder.read(frames.data() + got * channels, want);
    if (n <= 0) break;
    got += n;
  }
  if (got == 0) return 0;
  // OpenAL only places mono sources in 3D.
  if (to_mono && channels == 2) {
    for (int64_t i = 0; i < got; ++i) frames[i] = 0.5f * (frames[2 * i] + frames[2 * i + 1]);
    channels = 1;
  }
  ALuint buffer = 0;
  alGetError();
  alGenBuffers(1, &buffer);
  alBufferData(buffer, channels == 1 ? AL_FORMAT_MONO_FLOAT32 : AL_FORMAT_STEREO_FLOAT32, frames.data(),
               ALsizei(got * channels * sizeof(float)), decoder.sampleRate());
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &buffer);
    return 0;
  }
  return buffer;
}

unsigned load_sample_locked(const char* path, int max, int flags, int kind, int offset, int length) {
  if (!sound_state.context || max < 1) return 0;
  int slot = 0;
  while (slot < MAX_SOUND_SAMPLES && sound_state.samples[slot].in_use) ++slot;
  if (slot == MAX_SOUND_SAMPLES) return 0;

  SoundFileBlock file;
  if (read_sound_file(path, offset, length, file) != SoundFileError::NONE) return 0;
  std::unique_ptr<AudioDecoder> decoder = open_audio_decoder(file.data.get(), file.size);
  if (!decoder) return 0;
  bool is_3d = sound_state.enable_3d && (flags & SOUND_FLAG_3D);
  ALuint buffer = make_buffer(*decoder, is_3d);
  if (!buffer) return 0;

  SoundSample& s = sound_state.samples[slot];
  s.in_use = true;
  ++s.generation;
  s.buffer = buffer;
  s.is_3d = is_3d;
  s.loop = (flags & SOUND_FLAG_LOOP) != 0;
  s.max = max;
  s.kind = kind;
  s.rate = decoder->sampleRate();
  s.length_frames = decoder->lengthFrames();
  s.volume = 1.0f;
  s.min_dist = 1.0f;
  s.max_dist = 1e9f;
  s.channels.clear();
  return make_handle(HANDLE_KIND_SAMPLE, slot, s.generation);
}

float distance_sq_to_listener(const SoundChannel& ch) {
  float dx = ch.pos.x - sound_state.listener.pos.x, dy = ch.pos.y - sound_state.listener.pos.y,
        dz = ch.pos.z - sound_state.listener.pos.z;
  return dx * dx + dy * dy + dz * dz;
}

// The channel of a full sample to take over, or -1 when the kind takes none.
int pick_victim(const SoundSample& s) {
  int kind = s.kind;
  if (kind == SOUND_STEAL_DEFAULT) kind = s.is_3d ? SOUND_STEAL_FARTHEST : SOUND_STEAL_OLDEST;
  if (kind != SOUND_STEAL_QUIETEST && kind != SOUND_STEAL_OLDEST && kind != SOUND_STEAL_FARTHEST) return -1;
  double now = sound_now_ms();
  int best = -1;
  double best_score = 0;
  for (int slot : s.channels) {
    const SoundChannel& ch = sound_state.channels[slot];
    double score = 0;  // the highest score is taken over
    if (kind == SOUND_STEAL_QUIETEST) score = -current_volume(ch, now);
    if (kind == SOUND_STEAL_OLDEST) score = now - ch.started_ms;
    if (kind == SOUND_STEAL_FARTHEST) score = distance_sq_to_listener(ch);
    if (best < 0 || score > best_score) {
      best = slot;
      best_score = score;
    }
  }
  return best;
}

// Hands a channel slot out again: a new handle, the sample's defaults.
void recycle(int slot, const SoundSample& s) {
  SoundChannel& ch = sound_state.channels[slot];
  alSourceStop(ch.source);
  ++ch.generation;
  reset_channel_attributes(ch, &s);
}

}  // namespace

unsigned int load_sound_sample(char const* path, int max, int flags, int kind, int offset, int length) {
  unsigned handle;
  {
    std::lock_guard<std::mutex> hold(sound_state.lock);
    handle = load_sample_locked(path, max, flags, kind, offset, length);
  }
  if (!handle) debug("error loading sample from '%s'", path ? path : "");
  return handle;
}

bool free_sound_sample(unsigned int sample) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundSample* s = lookup(sample);
  if (!s) return false;
  for (int slot : s->channels) release_channel(slot);
  s->channels.clear();
  alDeleteBuffers(1, &s->buffer);
  s->buffer = 0;
  s->in_use = false;
  ++s->generation;
  return true;
}

bool set_sound_sample_volume(unsigned int sample, float volume) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundSample* s = lookup(sample);
  if (!s) return false;
  s->volume = volume;
  return true;
}

bool set_sound_sample_dist(unsigned int sample, float min, float max) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundSample* s = lookup(sample);
  if (!s) return false;
  s->min_dist = min;
  s->max_dist = max;
  return true;
}

unsigned int get_sound_sample_channel(unsigned int sample, bool onlynew) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  int sample_index = sample_slot(sample);
  if (sample_index < 0) return 0;
  SoundSample& s = sound_state.samples[sample_index];
  int slot = -1;
  if (int(s.channels.size()) < s.max) {
    slot = take_channel_slot(sample_index, s.is_3d);
    if (slot < 0) return 0;
    alSourcei(sound_state.channels[slot].source, AL_BUFFER, ALint(s.buffer));
    s.channels.push_back(slot);
  } else if (!onlynew) {
    // A channel that has stopped is free; otherwise one is taken over.
    for (int c : s.channels) {
      refresh_channel_state(sound_state.channels[c]);
      if (sound_state.channels[c].state == ChannelState::STOPPED) {
        slot = c;
        break;
      }
    }
    if (slot < 0) slot = pick_victim(s);
    if (slot < 0) return 0;
    recycle(slot, s);
  } else {
    return 0;
  }
  return make_handle(HANDLE_KIND_CHANNEL, slot, sound_state.channels[slot].generation);
}
