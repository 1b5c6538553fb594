#pragma once
// Zero-terminated text held by value in BS bytes (at most BS-1 characters),
// returned by value from path and name functions so no allocation is needed.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include "core/check.h"

template <int BS>
class TempString {
 public:
  char str[BS];

  TempString() { str[0] = 0; }
  TempString(const char* text) { assign(text); }
  TempString(const char* text, int len) { assign(text, len); }
  TempString& operator=(const char* text) {
    assign(text);
    return *this;
  }

  // A null text gives the empty string; a text of BS characters or more is a
  // failed check.
  void assign(const char* text) {
    if (!text) {
      str[0] = 0;
      return;
    }
    assign(text, int(strlen(text)));
  }
  void assign(const char* text, int len) {
    if (!text) {
      str[0] = 0;
      return;
    }
    int l = len;
    ASSERT(l<BS);
    memmove(str, text, size_t(l));
    str[l] = 0;
  }

  // printf-style fill; a result longer than BS-1 characters is truncated.
  void format(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, fmt);
    vformat(fmt, args);
    va_end(args);
  }
  void vformat(const char* fmt, va_list args) {
    if (vsnprintf(str, BS, fmt, args) < 0) str[0] = 0;
  }
  // printf-style fill for names that must not be cut (paths): a result that
  // does not fit leaves the string empty and returns false.
  bool formatWhole(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, fmt);
    int n = vsnprintf(str, BS, fmt, args);
    va_end(args);
    if (n >= 0 && n < BS) return true;
    str[0] = 0;
    return false;
  }
  static TempString formatted(const char* fmt, ...) __attribute__((format(printf, 1, 2))) {
    TempString s;
    va_list args;
    va_start(args, fmt);
    s.vformat(fmt, args);
    va_end(args);
    return s;
  }

  const char* c_str() const { return str; }
  operator const char*() const { return str; }
  int length() const { return int(strlen(str)); }
  static constexpr int capacity() { return BS; }
};

// Capacity of paths and names.
constexpr int MAX_PATH_LEN = 260;
typedef TempString<MAX_PATH_LEN> PathString;
