#pragma once
// Reading a slice of a sound file into a memory block of its own.

#include <cstddef>
#include <cstdint>
#include <memory>

enum class SoundFileError { NONE, OPEN, OFFSET, MEMORY, READ };

struct SoundFileBlock {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
};

// Reads `size` bytes from `offset`; size <= 0 reads to the end of the file.
SoundFileError read_sound_file(const char* path, int offset, int size, SoundFileBlock& out);
