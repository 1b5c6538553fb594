// File streams over C stdio. Errors throw with the file position so callers
// can report where a file went wrong.
#include "core/streams.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

StreamIOException::StreamIOException(const char* msg, int pos) : position(pos) {
  strncpy(message, msg ? msg : "", sizeof(message) - 1);
  message[sizeof(message) - 1] = 0;
}

static int file_position(FILE* file) { return int(ftell(file)); }

template <typename ExceptionType>
static void check_open(FILE* file) {
  if (!file) throw ExceptionType("file not opened", -1);
}

template <typename ExceptionType>
static void seek_file(FILE* file, long offset, int whence) {
  check_open<ExceptionType>(file);
  if (fseek(file, offset, whence) != 0) throw ExceptionType("file seek error", file_position(file));
}

template <typename ExceptionType>
static int tell_file(FILE* file) {
  check_open<ExceptionType>(file);
  return file_position(file);
}

static FILE* open_file(const char* name, const char* mode) {
  if (!name || !mode) return nullptr;
  return fopen(name, mode);
}

int open_data_fd(const char* name) {
  if (!name) return -1;
  // Non-blocking, so that opening a pipe without a writer returns at once.
  int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

FILE* open_data_file(const char* name, const char* mode) {
  if (!mode) return nullptr;
  int fd = open_data_fd(name);
  if (fd < 0) return nullptr;
  FILE* file = fdopen(fd, mode);
  if (!file) ::close(fd);
  return file;
}

// ---- FileInputStream

FileInputStream::FileInputStream(const char* name, const char* mode) { open(name, mode); }

FileInputStream::~FileInputStream() { close(); }

bool FileInputStream::open(const char* name, const char* mode) {
  close();
  file = open_data_file(name, mode);
  return file != nullptr;
}

void FileInputStream::close() {
  if (!file) return;
  fclose(file);
  file = nullptr;
}

int FileInputStream::readPartial(void* buffer, int size) {
  if (!file || size <= 0) return 0;
  return int(fread(buffer, 1, size_t(size), file));
}

void FileInputStream::read(void* buffer, int size) {
  check_open<Exception>(file);
  if (size < 0) throw Exception("negative size in read()", -1);
  if (size == 0) return;
  if (fread(buffer, 1, size_t(size), file) != size_t(size)) throw Exception("error reading file", file_position(file));
}

int FileInputStream::tell() { return tell_file<Exception>(file); }

void FileInputStream::seek(int position) { seek_file<Exception>(file, position, SEEK_SET); }

void FileInputStream::seekRelative(int offset) { seek_file<Exception>(file, offset, SEEK_CUR); }

void FileInputStream::seekFromEnd(int offset) { seek_file<Exception>(file, offset, SEEK_END); }

// ---- FileOutputStream

FileOutputStream::FileOutputStream(const char* name, const char* mode) { open(name, mode); }

FileOutputStream::~FileOutputStream() { close(); }

bool FileOutputStream::open(const char* name, const char* mode) {
  close();
  file = open_file(name, mode);
  return file != nullptr;
}

bool FileOutputStream::close() {
  if (!file) return true;
  bool ok = fclose(file) == 0;
  file = nullptr;
  return ok;
}

void FileOutputStream::write(const void* buffer, int size) {
  check_open<Exception>(file);
  if (size < 0) throw Exception("negative size in write()", -1);
  if (size == 0) return;
  if (fwrite(buffer, 1, size_t(size), file) != size_t(size)) throw Exception("error writing file", file_position(file));
}

int FileOutputStream::tell() { return tell_file<Exception>(file); }

void FileOutputStream::seek(int position) { seek_file<Exception>(file, position, SEEK_SET); }

void FileOutputStream::seekFromEnd(int offset) { seek_file<Exception>(file, offset, SEEK_END); }
