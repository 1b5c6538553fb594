// A thin layer over the system heap: glibc's malloc is already a good
// general-purpose allocator, and one shared heap is all the module needs.
#include "core/allocator.h"
#include <cstdlib>

extern "C" {

void* dlmalloc(size_t bytes) { return malloc(bytes); }

void dlfree(void* mem) { free(mem); }

void* dlrealloc(void* mem, size_t bytes) {
  // realloc(p, 0) varies between C libraries; make the free explicit.
  if (bytes == 0) {
    free(mem);
    return nullptr;
  }
  return realloc(mem, bytes);
}
}
