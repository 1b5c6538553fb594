#pragma once
// Decoding of sound files held in memory into interleaved 32-bit float frames.
// A decoder reads from a block it does not own; the block must outlive it.

#include <cstddef>
#include <cstdint>
#include <memory>

class AudioDecoder {
 public:
  virtual ~AudioDecoder() = default;

  int channels() const { return channels_; }
  int sampleRate() const { return sample_rate_; }
  int64_t lengthFrames() const { return length_frames_; }

  // Reads up to `frames` frames into `out` (frames * channels() floats).
  // Returns the frames read: fewer than asked only at the end of the sound.
  virtual int read(float* out, int frames) = 0;
  // Moves the read position to `frame` (0 .. lengthFrames()).
  virtual bool seek(int64_t frame) = 0;

 protected:
  int channels_ = 0;
  int sample_rate_ = 0;
  int64_t length_frames_ = 0;
};

constexpr int MAX_SOUND_CHANNELS = 2;

// Picks the decoder by the file's signature (RIFF/WAVE or Ogg Vorbis). Returns
// null for anything that is not a complete, playable sound of 1 or 2 channels.
std::unique_ptr<AudioDecoder> open_audio_decoder(const uint8_t* data, size_t size);
