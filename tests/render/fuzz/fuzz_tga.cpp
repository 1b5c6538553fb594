// libFuzzer entry: see exercise_fonts.h.
#include "tests/render/fuzz/exercise_fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  exercise_tga(data, size);
  return 0;
}
