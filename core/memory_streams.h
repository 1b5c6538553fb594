#pragma once
// Streams over bytes in memory, with the error behaviour of the file
// streams (short reads throw): saved games are encoded and checked in memory.
#include <cstdint>
#include <cstring>
#include <vector>
#include "core/streams.h"

class MemoryInputStream : public InputStream {
 public:
  MemoryInputStream(const uint8_t* data, size_t size) : data_(data), size_(int(size)) {}
  explicit MemoryInputStream(const std::vector<uint8_t>& bytes) : MemoryInputStream(bytes.data(), bytes.size()) {}

  int readPartial(void* buffer, int size) override {
    int n = size < size_ - pos_ ? size : size_ - pos_;
    if (n <= 0) return 0;
    memcpy(buffer, data_ + pos_, size_t(n));
    pos_ += n;
    return n;
  }
  void read(void* buffer, int size) override {
    if (size < 0) throw Exception("negative size in read()", -1);
    if (readPartial(buffer, size) != size) throw Exception("error reading file", pos_);
  }
  int tell() override { return pos_; }
  void seek(int position) override { pos_ = position; }
  void seekRelative(int offset) override { pos_ += offset; }
  void seekFromEnd(int offset) override { pos_ = size_ + offset; }

 private:
  const uint8_t* data_;
  int size_;
  int pos_ = 0;
};

class MemoryOutputStream : public OutputStream {
 public:
  std::vector<uint8_t> bytes;

  void write(const void* buffer, int size) override {
    if (size < 0) throw Exception("negative size in write()", -1);
    if (size_t(pos_) + size_t(size) > bytes.size()) bytes.resize(size_t(pos_) + size_t(size));
    if (size) memcpy(bytes.data() + pos_, buffer, size_t(size));
    pos_ += size;
  }
  int tell() override { return pos_; }
  void seek(int position) override { pos_ = position; }
  void seekFromEnd(int offset) override { pos_ = int(bytes.size()) + offset; }

 private:
  int pos_ = 0;
};
