#pragma once
// The assertion check, active in every build. A failure names the source
// position and the expression text and ends in the fatal stop.

[[noreturn]] void fatal(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

#define ASSERT(cond)                                                            \
  do {                                                                          \
    if (__builtin_expect(!(cond), 0)) fatal("%s(%d): failed ASSERT(%s)", __FILE__, __LINE__, #cond); \
  } while (0)
