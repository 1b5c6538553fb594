#pragma once
// Test sounds written to real files, and the mixed output of the sound
// device captured through OpenAL Soft's wave writer.

#include <cstdint>
#include <string>
#include <vector>

constexpr int TEST_RATE = 44100;

// A sine tone, mono.
std::vector<float> make_tone(float freq, float amp, float seconds, int rate = TEST_RATE);
// Joins two mono signals into interleaved stereo.
std::vector<float> interleave(const std::vector<float>& left, const std::vector<float>& right);

enum class WavCoding { PCM8, PCM16, PCM24, PCM32, FLOAT32, FLOAT64, FLOAT32_EXTENSIBLE };
std::vector<uint8_t> encode_wav(const std::vector<float>& samples, int channels, int rate, WavCoding coding);
std::vector<uint8_t> encode_ogg(const std::vector<float>& samples, int channels, int rate);

// A fresh folder for this test process.
std::string test_dir();
std::string write_test_file(const std::string& name, const std::vector<uint8_t>& bytes);

// Routes the sound device of this process into a wave file; must run before
// the first OpenAL call of the process.
void use_wave_output();
// Whether this process already chose the wave writer (OpenAL reads its
// configuration once per process).
bool wave_output_in_use();

struct MixCapture {
  std::vector<float> left, right;
  int rate = 0;
  // Mean square level of a channel over [from, to) seconds.
  float rms(const std::vector<float>& lane, double from, double to) const;
  // Levels of both channels summed, per window of `window` seconds.
  std::vector<float> envelope(double window) const;
};
// Reads what the device mixed; call after close_sound().
MixCapture read_mix_capture();
