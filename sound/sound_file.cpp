#include "sound/sound_file.h"

#include <cstdio>
#include <new>
#include "core/streams.h"

SoundFileError read_sound_file(const char* path, int offset, int size, SoundFileBlock& out) {
  FILE* f = open_data_file(path, "rb");
  if (!f) return SoundFileError::OPEN;
  SoundFileError result = SoundFileError::NONE;
  long file_size = -1;
  if (fseek(f, 0, SEEK_END) == 0) file_size = ftell(f);
  long want = size;
  if (size <= 0) want = file_size - offset;
  if (offset < 0 || file_size < 0 || want <= 0 || fseek(f, offset, SEEK_SET) != 0) {
    result = SoundFileError::OFFSET;
  } else {
    out.data.reset(new (std::nothrow) uint8_t[size_t(want)]);
    if (!out.data) {
      result = SoundFileError::MEMORY;
    } else if (fread(out.data.get(), 1, size_t(want), f) != size_t(want)) {
      out.data.reset();
      result = SoundFileError::READ;
    } else {
      out.size = size_t(want);
    }
  }
  fclose(f);
  return result;
}
