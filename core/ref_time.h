#pragma once
// High-resolution monotonic clock. Intervals are the difference of two
// get_ref_time values passed to one of the converters.
#include <cstdint>

int64_t get_ref_time();
// Ticks per second of get_ref_time.
int64_t get_ref_frequency();
int get_time_msec(int64_t ticks);   // truncated
int get_time_usec(int64_t ticks);   // truncated
float get_time_sec(int64_t ticks);
