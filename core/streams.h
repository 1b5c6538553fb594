#pragma once
// Binary streams over files. Errors are thrown as exceptions carrying a
// message and the file position at the moment of the error (-1 when there is
// no file or the size was negative).
#include <cstdio>

struct StreamIOException {
  char message[512];
  int position;

  StreamIOException(const char* msg, int pos);
};

// Opens a data file for reading ("rb" or "r") only when it is a regular file,
// never waiting on a pipe or device in its place; null otherwise, with errno
// EINVAL for a file that is not a regular one.
FILE* open_data_file(const char* name, const char* mode = "rb");
// The same as a descriptor (blocking reads, closed on exec); -1 on failure.
int open_data_fd(const char* name);

class InputStream {
 public:
  struct Exception : StreamIOException {
    using StreamIOException::StreamIOException;
  };

  virtual ~InputStream() = default;
  // Reads up to size bytes; returns how many were read. Never throws.
  virtual int readPartial(void* buffer, int size) = 0;
  // Reads exactly size bytes or throws.
  virtual void read(void* buffer, int size) = 0;
  virtual int tell() = 0;
  virtual void seek(int position) = 0;
  virtual void seekRelative(int offset) = 0;
  virtual void seekFromEnd(int offset) = 0;
};

class OutputStream {
 public:
  struct Exception : StreamIOException {
    using StreamIOException::StreamIOException;
  };

  virtual ~OutputStream() = default;
  // Writes exactly size bytes or throws.
  virtual void write(const void* buffer, int size) = 0;
  virtual int tell() = 0;
  virtual void seek(int position) = 0;
  virtual void seekFromEnd(int offset) = 0;
};

class FileInputStream : public InputStream {
 public:
  FILE* file = nullptr;

  FileInputStream() = default;
  // Opens at once; the stream stays closed when that fails.
  FileInputStream(const char* name, const char* mode = "rb");
  ~FileInputStream() override;
  FileInputStream(const FileInputStream&) = delete;
  FileInputStream& operator=(const FileInputStream&) = delete;

  // Closes an open file first.
  bool open(const char* name, const char* mode = "rb");
  void close();
  bool isOpen() const { return file != nullptr; }

  int readPartial(void* buffer, int size) override;
  void read(void* buffer, int size) override;
  int tell() override;
  void seek(int position) override;
  void seekRelative(int offset) override;
  void seekFromEnd(int offset) override;
};

class FileOutputStream : public OutputStream {
 public:
  FILE* file = nullptr;

  FileOutputStream() = default;
  FileOutputStream(const char* name, const char* mode = "wb");
  ~FileOutputStream() override;
  FileOutputStream(const FileOutputStream&) = delete;
  FileOutputStream& operator=(const FileOutputStream&) = delete;

  bool open(const char* name, const char* mode = "wb");
  // False when buffered data could not be written out.
  bool close();
  bool isOpen() const { return file != nullptr; }

  void write(const void* buffer, int size) override;
  int tell() override;
  void seek(int position) override;
  void seekFromEnd(int offset) override;
};
