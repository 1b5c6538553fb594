// Streams: a file kept in memory and decoded while it plays, a few buffers
// ahead of the mixer. The end of the data jumps to the loop point in the
// same buffer fill, so a looped piece plays on without a gap.
#include <cmath>

#include "core/debug.h"
#include "sound/sound_file.h"
#include "sound/sound_output.h"
#include "sound/sound_system.h"

namespace {

// Decodes up to STREAM_BUFFER_FRAMES frames into ch.stream->mixed, following
// the loop; returns the frames written.
int decode_block(SoundStream& st) {
  AudioDecoder& dec = *st.decoder;
  int in_channels = dec.channels();
  st.decoded.resize(size_t(STREAM_BUFFER_FRAMES) * in_channels);
  int done = 0;
  bool jumped = false;  // a jump that yields nothing would loop forever
  while (done < STREAM_BUFFER_FRAMES && !st.decoder_ended) {
    int n = dec.read(st.decoded.data() + size_t(done) * in_channels, STREAM_BUFFER_FRAMES - done);
    if (n > 0) {
      done += n;
      jumped = false;
      continue;
    }
    if (st.loop_frame < 0 || jumped || !dec.seek(st.loop_frame)) {
      st.decoder_ended = true;
      break;
    }
    jumped = true;
  }
  st.mixed.resize(size_t(done) * st.out_channels);
  if (st.out_channels == in_channels) {
    std::copy(st.decoded.begin(), st.decoded.begin() + done * in_channels, st.mixed.begin());
  } else {
    for (int i = 0; i < done; ++i) st.mixed[i] = 0.5f * (st.decoded[2 * i] + st.decoded[2 * i + 1]);
  }
  return done;
}

bool queue_block(SoundChannel& ch, ALuint buffer) {
  SoundStream& st = *ch.stream;
  int frames = decode_block(st);
  if (frames == 0) return false;
  alBufferData(buffer, st.out_channels == 1 ? AL_FORMAT_MONO_FLOAT32 : AL_FORMAT_STEREO_FLOAT32,
               st.mixed.data(), ALsizei(st.mixed.size() * sizeof(float)), st.decoder->sampleRate());
  alSourceQueueBuffers(ch.source, 1, &buffer);
  return true;
}

void flush_queue(SoundChannel& ch) {
  alSourceStop(ch.source);
  alSourcei(ch.source, AL_BUFFER, 0);
}

void fill_queue(SoundChannel& ch) {
  for (ALuint buffer : ch.stream->buffers)
    if (!queue_block(ch, buffer)) break;
}

SoundChannel* lookup_stream(unsigned handle) {
  int slot = channel_slot(handle);
  if (slot < 0 || !sound_state.channels[slot].stream) return nullptr;
  return &sound_state.channels[slot];
}

unsigned create_stream(SoundFileBlock& file, double loop_pos, int flags) {
  std::unique_ptr<AudioDecoder> decoder = open_audio_decoder(file.data.get(), file.size);
  if (!decoder || !sound_state.context) return 0;
  bool is_3d = sound_state.enable_3d && (flags & SOUND_FLAG_3D);
  int slot = take_channel_slot(-1, is_3d);
  if (slot < 0) return 0;
  SoundChannel& ch = sound_state.channels[slot];
  auto st = std::make_unique<SoundStream>();
  alGetError();
  alGenBuffers(STREAM_BUFFER_COUNT, st->buffers);
  if (alGetError() != AL_NO_ERROR) {
    release_channel(slot);
    return 0;
  }
  st->out_channels = is_3d ? 1 : decoder->channels();
  int64_t length = decoder->lengthFrames();
  if (loop_pos >= 0) {
    double frame = std::floor(loop_pos * decoder->sampleRate());
    // A loop point past the end cannot be reached by a seek: loop from 0.
    st->loop_frame = frame < double(length) ? int64_t(frame) : 0;
  } else if (flags & SOUND_FLAG_LOOP) {
    st->loop_frame = 0;
  }
  st->decoder = std::move(decoder);
  st->memory = std::move(file.data);
  ch.stream = std::move(st);
  return make_handle(HANDLE_KIND_CHANNEL, slot, ch.generation);
}

}  // namespace

void stream_restart(SoundChannel& ch, int64_t frame) {
  SoundStream& st = *ch.stream;
  flush_queue(ch);
  st.decoder_ended = !st.decoder->seek(frame);
  fill_queue(ch);
  alSourcePlay(ch.source);
}

void stream_resume(SoundChannel& ch) {
  ALint queued = 0;
  alGetSourcei(ch.source, AL_BUFFERS_QUEUED, &queued);
  if (queued == 0) fill_queue(ch);
  alSourcePlay(ch.source);
}

bool stream_seek(SoundChannel& ch, int64_t frame) {
  if (!ch.stream->decoder->seek(frame)) return false;
  stream_restart(ch, frame);
  return true;
}

void stream_tick(SoundChannel& ch) {
  if (ch.state != ChannelState::PLAYING) return;
  ALint processed = 0, queued = 0, state = AL_STOPPED;
  alGetSourcei(ch.source, AL_BUFFERS_PROCESSED, &processed);
  while (processed-- > 0) {
    ALuint buffer = 0;
    alSourceUnqueueBuffers(ch.source, 1, &buffer);
    if (!ch.stream->decoder_ended) queue_block(ch, buffer);
  }
  alGetSourcei(ch.source, AL_BUFFERS_QUEUED, &queued);
  alGetSourcei(ch.source, AL_SOURCE_STATE, &state);
  if (state == AL_STOPPED) {
    if (queued > 0)
      alSourcePlay(ch.source);  // the mixer ran dry before we refilled
    else
      ch.state = ChannelState::STOPPED;
  }
}

unsigned int load_sound_stream(char const* path, double loop_pos, int flags, int offset, int size) {
  SoundFileBlock file;
  switch (read_sound_file(path, offset, size, file)) {
    case SoundFileError::NONE: break;
    case SoundFileError::OPEN: debug("failed to open stream file '%s'", path ? path : ""); return 0;
    case SoundFileError::OFFSET: debug("invalid offset %d for '%s'", offset, path); return 0;
    case SoundFileError::MEMORY: debug("not enough memory for '%s'", path); return 0;
    case SoundFileError::READ: debug("error reading stream file '%s'", path); return 0;
  }
  unsigned handle;
  {
    std::lock_guard<std::mutex> hold(sound_state.lock);
    handle = create_stream(file, loop_pos, flags);
  }
  if (!handle) debug("error creating stream from '%s'", path);
  return handle;
}

bool free_sound_stream(unsigned int stream) {
  std::lock_guard<std::mutex> hold(sound_state.lock);
  SoundChannel* ch = lookup_stream(stream);
  if (!ch) return false;
  release_channel(int(ch - sound_state.channels));
  return true;
}
