// Playback channels: the sources behind channel handles, their playback
// state, volume, pan, slides, seeking and 3D attributes.
#include <cmath>

#include "sound/sound_output.h"
#include "sound/sound_system.h"

namespace {

constexpr float HALF_PI = 1.57079633f;
constexpr float STEREO_HALF_ANGLE = 0.52359878f;  // OpenAL's default +-30 degrees

SoundChannel* lookup(unsigned handle) {
  int slot = channel_slot(handle);
  return slot < 0 ? nullptr : &sound_state.channels[slot];
}

int64_t channel_length_frames(const SoundChannel& ch) {
  if (ch.stream) return ch.stream->decoder->lengthFrames();
  return sound_state.samples[ch.sample].length_frames;
}

void apply_gain(SoundChannel& ch, float volume) {
  float gain = volume > 0 ? volume : 0;
  if (gain == ch.applied_gain) return;
  alSourcef(ch.source, AL_GAIN, gain);
  ch.applied_gain = gain;
}

// A 2D channel is a listener-relative source without distance attenuation;
// pan moves a mono source round the front half circle and turns the two
// speakers of a stereo source towards one side.
void apply_pan(SoundChannel& ch) {
  if (ch.is_3d) return;
  float angle = ch.pan * HALF_PI;
  alSource3f(ch.source, AL_POSITION, std::sin(angle), 0.0f, -std::cos(angle));
  if (sound_state.has_stereo_angles) {
    float p = ch.pan;
    float side = p >= 0 ? -HALF_PI : HALF_PI;
    float t = std::fabs(p);
    float angles[2] = {STEREO_HALF_ANGLE + (side - STEREO_HALF_ANGLE) * t,
                       -STEREO_HALF_ANGLE + (side + STEREO_HALF_ANGLE) * t};
    alSourcefv(ch.source, AL_STEREO_ANGLES, angles);
  }
}

void play_from(SoundChannel& ch, int64_t frame) {
  if (ch.stream) {
    stream_restart(ch, frame);
  } else {
    alSourceStop(ch.source);
    alSourcei(ch.source, AL_SAMPLE_OFFSET, ALint(frame));
    alSourcePlay(ch.source);
  }
  ch.started_ms = sound_now_ms();
  ch.state = ChannelState::PLAYING;
}

}  // namespace

int take_channel_slot(int sample, bool is_3d) {
  for (int i = 0; i < MAX_SOUND_CHANNELS_TOTAL; ++i) {
    SoundChannel& ch = sound_state.channels[i];
    if (ch.in_use) continue;
    alGetError();
    alGenSources(1, &ch.source);
    if (alGetError() != AL_NO_ERROR) {
      ch.source = 0;
      return -1;
    }
    ch.in_use = true;
    ch.sample = sample;
    ch.is_3d = is_3d;
    ++ch.generation;
    reset_channel_attributes(ch, sample >= 0 ? &sound_state.samples[sample] : nullptr);
    return i;
  }
  return -1;
}

void release_channel(int slot) {
  SoundChannel& ch = sound_state.channels[slot];
  alSourceStop(ch.source);
  alSourcei(ch.source, AL_BUFFER, 0);
  alDeleteSources(1, &ch.source);
  if (ch.stream) alDeleteBuffers(STREAM_BUFFER_COUNT, ch.stream->buffers);
  ch.stream.reset();
  ch.source = 0;
  ch.in_use = false;
  ++ch.generation;
}

void reset_channel_attributes(SoundChannel& ch, const SoundSample* defaults) {
  ch.state = ChannelState::STOPPED;
  ch.pending_seek = -1;
  ch.started_ms = 0;
  ch.volume = defaults ? defaults->volume : 1.0f;
  ch.applied_gain = -1.0f;
  ch.pan = 0.0f;
  ch.sliding = false;
  ch.pos = SoundVec3{};
  ch.vel = SoundVec3{};
  ch.min_dist = defaults ? defaults->min_dist : 1.0f;
  ch.max_dist = defaults ? defaults->max_dist : 1e9f;
  alSourcei(ch.source, AL_LOOPING, defaults && defaults->loop ? AL_TRUE : AL_FALSE);
  alSourcei(ch.source, AL_SOURCE_RELATIVE, ch.is_3d ? AL_FALSE : AL_TRUE);
  if (ch.is_3d) {
    push_channel_3d(ch);
  } else {
    alSourcef(ch.source, AL_ROLLOFF_FACTOR, 0.0f);
    apply_pan(ch);
  }
  apply_gain(ch, ch.volume);
}

float current_volume(const SoundChannel& ch, double now_ms) {
  if (!ch.sliding) return ch.volume;
  double t = ch.slide_ms > 0 ? (now_ms - ch.slide_start_ms) / ch.slide_ms : 1.0;
  if (t >= 1.0) return ch.slide_to;
  return ch.slide_from + float(t) * (ch.slide_to - ch.slide_from);
}

void refresh_channel_state(SoundChannel& ch) {
  if (ch.state != ChannelState::PLAYING || ch.stream) return;
  ALint state = AL_STOPPED;
  alGetSourcei(ch.source, AL_SOURCE_STATE, &state);
  if (state == AL_STOPPED) ch.state = ChannelState::STOPPED;
}

void stop_channel(SoundChannel& ch) {
  // A stream keeps its place so that a later play without restart resumes.
  if (ch.stream)
    alSourcePause(ch.source);
  else
    alSourceStop(ch.source);
  ch.state = ChannelState::STOPPED;
}

void push_channel_3d(SoundChannel& ch) {
  alSource3f(ch.source, AL_POSITION, ch.pos.x, ch.pos.y, -ch.pos.z);
  alSource3f(ch.source, AL_VELOCITY, ch.vel.x, ch.vel.y, -ch.vel.z);
  alSourcef(ch.source, AL_REFERENCE_DISTANCE, ch.min_dist);
  alSourcef(ch.source, AL_MAX_DISTANCE, ch.max_dist);
  alSourcef(ch.source, AL_ROLLOFF_FACTOR, sound_state.listener.rolloff);
  ch.dirty_3d = false;
}

void tick_channel(SoundChannel& ch, double now_ms) {
  if (ch.sliding) {
    float v = current_volume(ch, now_ms);
    if (now_ms - ch.slide_start_ms >= ch.slide_ms) {
      ch.sliding = false;
      ch.volume = v;
      // A slide to a negative volume ends the channel.
      if (v < 0) {
        ch.volume = 0;
        stop_channel(ch);
      }
    }
    apply_gain(ch, v);
  }
  if (ch.stream)
    stream_tick(ch);
  else
    refresh_channel_state(ch);
}

bool play_sound(unsigned int channel, bool restart) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch) return false;
  refresh_channel_state(*ch);
  if (ch->is_3d && ch->dirty_3d) push_channel_3d(*ch);
  // A seek made while the channel was not playing says where it starts.
  if (ch->pending_seek >= 0) {
    play_from(*ch, ch->pending_seek);
    ch->pending_seek = -1;
  } else if (restart) {
    play_from(*ch, 0);
  } else if (ch->state == ChannelState::PAUSED ||
             (ch->state == ChannelState::STOPPED && ch->stream && !ch->stream->decoder_ended)) {
    if (ch->stream)
      stream_resume(*ch);
    else
      alSourcePlay(ch->source);
    ch->state = ChannelState::PLAYING;
  } else if (ch->state == ChannelState::STOPPED) {
    play_from(*ch, 0);
  }
  return true;
}

bool pause_sound(unsigned int channel) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch) return false;
  refresh_channel_state(*ch);
  if (ch->state != ChannelState::PLAYING) return false;
  alSourcePause(ch->source);
  ch->state = ChannelState::PAUSED;
  return true;
}

bool stop_sound(unsigned int channel) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch) return false;
  stop_channel(*ch);
  return true;
}

bool is_sound_playing(unsigned int channel) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch) return false;
  refresh_channel_state(*ch);
  return ch->state == ChannelState::PLAYING;
}

bool set_sound_volume(unsigned int channel, float volume) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch) return false;
  ch->sliding = false;
  ch->volume = volume;
  apply_gain(*ch, volume);
  return true;
}

bool set_sound_pan(unsigned int channel, float pan) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch) return false;
  ch->pan = pan < -1 ? -1 : pan > 1 ? 1 : pan;
  apply_pan(*ch);
  return true;
}

bool slide_sound_volume(unsigned int channel, float volume, int ms) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch) return false;
  double now = sound_now_ms();
  if (ms <= 0) {
    ch->sliding = false;
    ch->volume = volume;
    apply_gain(*ch, volume);
    return true;
  }
  ch->slide_from = current_volume(*ch, now);
  ch->slide_to = volume;
  ch->slide_start_ms = now;
  ch->slide_ms = ms;
  ch->sliding = true;
  return true;
}

bool fade_out_and_stop_sound(unsigned int channel, int ms) {
  if (ms > 0) return slide_sound_volume(channel, -1.0f, ms);
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch) return false;
  ch->sliding = false;
  ch->volume = 0;
  apply_gain(*ch, 0);
  stop_channel(*ch);
  return true;
}

bool set_relative_sound_pos(unsigned int channel, float fraction) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch || !(fraction >= 0.0f && fraction <= 1.0f)) return false;
  int64_t length = channel_length_frames(*ch);
  int64_t frame = int64_t(double(length) * fraction);
  if (frame >= length) frame = length - 1;
  refresh_channel_state(*ch);
  if (ch->state != ChannelState::PLAYING) {
    ch->pending_seek = frame;
    return true;
  }
  if (ch->stream) return stream_seek(*ch, frame);
  alSourcei(ch->source, AL_SAMPLE_OFFSET, ALint(frame));
  return true;
}

bool set_sound_3d_params(unsigned int channel, float min, float max) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch || !ch->is_3d) return false;
  ch->min_dist = min;
  ch->max_dist = max;
  ch->dirty_3d = true;
  return true;
}

bool set_sound_3d_pos(unsigned int channel, __m128 pos, __m128 vel) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch || !ch->is_3d) return false;
  ch->pos = to_sound_vec3(pos);
  ch->vel = to_sound_vec3(vel);
  ch->dirty_3d = true;
  return true;
}

bool set_sound_3d_pos(unsigned int channel, __m128 pos) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch || !ch->is_3d) return false;
  ch->pos = to_sound_vec3(pos);
  ch->dirty_3d = true;
  return true;
}

bool get_sound_3d_pos(unsigned int channel, __m128& pos) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup(channel);
  if (!ch || !ch->is_3d) return false;
  pos = _mm_setr_ps(ch->pos.x, ch->pos.y, ch->pos.z, 1.0f);
  return true;
}

void update_3d_sound(unsigned int channel, __m128 pos, __m128 vel) {
  if (!channel) return;
  set_sound_3d_pos(channel, wrap_sound_pos(pos), vel);
}
