// The reference clock: CLOCK_MONOTONIC in nanosecond ticks.
#include "core/ref_time.h"
#include <ctime>

static constexpr int64_t TICKS_PER_SECOND = 1000000000;

int64_t get_ref_time() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * TICKS_PER_SECOND + ts.tv_nsec;
}

int64_t get_ref_frequency() { return TICKS_PER_SECOND; }

// 128-bit products: ticks x 1,000,000 overflows 64 bits after about 2.5
// hours of nanoseconds.
int get_time_msec(int64_t ticks) { return int((__int128)ticks * 1000 / TICKS_PER_SECOND); }

int get_time_usec(int64_t ticks) { return int((__int128)ticks * 1000000 / TICKS_PER_SECOND); }

float get_time_sec(int64_t ticks) {
  static const double seconds_per_tick = 1.0 / double(TICKS_PER_SECOND);
  return float(double(ticks) * seconds_per_tick);
}
