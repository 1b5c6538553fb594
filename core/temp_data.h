#pragma once
// Scratch storage owned by one scope of terrain code: one allocation per
// generator call, acquired at entry and released before returning.
#include <cstddef>
#include "core/allocator.h"
#include "core/check.h"

template <size_t BYTES>
class TempData {
 public:
  void* data = nullptr;

  TempData() = default;
  TempData(const TempData&) = delete;
  TempData& operator=(const TempData&) = delete;
  // Releasing here too keeps an early return from leaking the grid.
  ~TempData() {
    if (data) release();
  }

  void* acquire() {
    ASSERT(!data);
    data = dlrealloc(nullptr, BYTES);
    ASSERT(data);
    return data;
  }
  template <typename T>
  T* acquireAs() {
    static_assert(BYTES % sizeof(T) == 0, "grid element size must divide the buffer");
    return static_cast<T*>(acquire());
  }
  void release() {
    ASSERT(data);
    dlfree(data);
    data = nullptr;
  }
  static constexpr size_t size() { return BYTES; }
};

// The two sizes in use: 4 and 8 bytes per cell of the 256 x 256 world grid.
typedef TempData<256 * 256 * 4> TempGrid4;
typedef TempData<256 * 256 * 8> TempGrid8;
