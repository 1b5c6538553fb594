// The text log: plain lines on standard output.
#include <cstdio>
#include "core/debug.h"

void vdebug(const char* fmt, va_list args) { vfprintf(stdout, fmt, args); }

void debug_(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  vdebug(fmt, args);
  va_end(args);
}

void debug(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  vdebug(fmt, args);
  va_end(args);
  fputc('\n', stdout);
  fflush(stdout);
}
