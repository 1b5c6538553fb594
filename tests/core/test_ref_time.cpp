#include <gtest/gtest.h>
#include "core/ref_time.h"

TEST(RefTime, ConvertersTruncateTowardsZero) {
  const int64_t f = get_ref_frequency();
  ASSERT_GT(f, 0);
  EXPECT_EQ(get_time_msec(f), 1000);
  EXPECT_EQ(get_time_msec(f * 9999 / 10000), 999);
  EXPECT_EQ(get_time_usec(f), 1000000);
  EXPECT_EQ(get_time_usec(f / 1000 - 1), 999);
  EXPECT_FLOAT_EQ(get_time_sec(f / 4), 0.25f);
  EXPECT_LT(get_time_sec(-f / 2), 0.0f);
  EXPECT_FLOAT_EQ(get_time_sec(-f / 2), -0.5f);
}

TEST(RefTime, ClockIsMonotonicAndInTicksOfTheFrequency) {
  int64_t a = get_ref_time();
  int64_t b = get_ref_time();
  EXPECT_GE(b, a);
  // Ten days of uptime in milliseconds still converts exactly.
  const int64_t f = get_ref_frequency();
  EXPECT_EQ(get_time_msec(f * 864000), 864000000);
}
