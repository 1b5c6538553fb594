#pragma once
// Growable array of byte-relocatable values. Its layout (data, num,
// capacity) is shared with the game-object module through exported lists,
// so the three fields must stay first and in this order.
#include <cstddef>
#include <cstring>
#include <new>
#include "core/allocator.h"
#include "core/check.h"


struct DefaultAllocator {
  static void* realloc(void* p, size_t bytes) { return dlrealloc(p, bytes); }
  static void free(void* p) { dlfree(p); }
};

template <typename T, typename Allocator = DefaultAllocator>
class DynArray {
 public:
  T* data = nullptr;
  int num = 0;
  int capacity = 0;

  DynArray() = default;
  DynArray(const DynArray& other) { copyFrom(other); }
  DynArray(DynArray&& other) noexcept : data(other.data), num(other.num), capacity(other.capacity) {
    other.data = nullptr;
    other.num = other.capacity = 0;
  }
  DynArray& operator=(const DynArray& other) {
    if (this != &other) {
      clear();
      copyFrom(other);
    }
    return *this;
  }
  DynArray& operator=(DynArray&& other) noexcept {
    if (this != &other) {
      clear();
      data = other.data;
      num = other.num;
      capacity = other.capacity;
      other.data = nullptr;
      other.num = other.capacity = 0;
    }
    return *this;
  }
  ~DynArray() { clear(); }

  // No bounds test: the checks live on the operations that change the array.
  T& operator[](int i) { return data[i]; }
  const T& operator[](int i) const { return data[i]; }
  T* begin() { return data; }
  // Null storage gets no offset, not even zero: sanitizers flag null + 0.
  T* end() { return data ? data + num : data; }
  const T* begin() const { return data; }
  const T* end() const { return data ? data + num : data; }
  int size() const { return num; }
  bool empty() const { return num == 0; }

  // Grows the storage to exactly n elements when it is smaller; never shrinks.
  void reserve(int n) {
    ASSERT(n>=0);
    if (capacity >= n) return;
    void* np = Allocator::realloc(data, size_t(n) * sizeof(T));
    ASSERT(np);
    data = static_cast<T*>(np);
    capacity = n;
  }

  void resize(int n) {
    ASSERT(n>=0);
    if (n < num) {
      erase(n, num - n);
    } else if (n > num) {
      reserve(n);
      insert(num, n - num, nullptr);
    }
  }

  // Makes room for n elements at index at and copies them from src, or
  // value-initialises them when src is null. Returns the first new element.
  T* insert(int at, int n, const T* src) {
    ASSERT(n>=0);
    ASSERT(at>=0 && at<=num);
    if (n == 0) return data ? data + at : data;
    if (src && data && src + n > data && src < data + num) {
      // The source lies in our own storage, which growing or shifting moves.
      DynArray copy;
      copy.insert(0, n, src);
      return insert(at, n, copy.data);
    }
    int needed = num + n;
    if (capacity < needed) growFor(needed);
    T* first = data + at;
    if (at < num) memmove(static_cast<void*>(first + n), static_cast<const void*>(first), size_t(num - at) * sizeof(T));
    for (int i = 0; i < n; i++) {
      if (src) new (first + i) T(src[i]);
      else new (first + i) T();
    }
    num = needed;
    return first;
  }

  T& append(const T* src = nullptr) {
    if (num < capacity) {
      // Common per-frame case: room at the end, nothing moves.
      T* p = data + num;
      if (src) new (p) T(*src);
      else new (p) T();
      num++;
      return *p;
    }
    return appendGrowing(src);
  }
  T& append(const T& value) { return append(&value); }

  void erase(int at, int n) {
    ASSERT(n>=0);
    ASSERT(at>=0 && at<=num);
    ASSERT(at+n<=num);
    for (int i = 0; i < n; i++) data[at + i].~T();
    int tail = num - at - n;
    if (tail > 0) memmove(static_cast<void*>(data + at), static_cast<const void*>(data + at + n), size_t(tail) * sizeof(T));
    num -= n;
  }

  // Erases without keeping the order: the hole is filled from the end.
  void eraseFast(int at, int n) {
    ASSERT(n>=0);
    ASSERT(at>=0 && at<=num);
    ASSERT(at+n<=num);
    for (int i = 0; i < n; i++) data[at + i].~T();
    int tail = num - at - n;
    int moved = tail < n ? tail : n;
    if (moved > 0) memcpy(static_cast<void*>(data + at), static_cast<const void*>(data + num - moved), size_t(moved) * sizeof(T));
    num -= n;
  }

  T& last() {
    ASSERT(num>0);
    return data[num - 1];
  }
  const T& last() const {
    ASSERT(num>0);
    return data[num - 1];
  }

  // Destroys every element and releases the storage.
  void clear() {
    erase(0, num);
    if (data) Allocator::free(data);
    data = nullptr;
    capacity = 0;
  }

 private:
  // Kept out of line so the common path of append stays small enough to
  // inline into loops.
  __attribute__((noinline)) T& appendGrowing(const T* src) {
    T* p = insert(num, 1, src);
    ASSERT(num>0);
    return *p;
  }
  void growFor(int needed) {
    // Doubling with a floor of 8; a jump past double leaves 8 spare.
    int newCap = capacity * 2;
    if (newCap < 8) newCap = 8;
    if (newCap < needed) newCap = needed + 8;
    reserve(newCap);
  }
  void copyFrom(const DynArray& other) {
    reserve(other.num);
    insert(0, other.num, other.data);
  }
};
