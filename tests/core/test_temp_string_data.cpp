#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "core/temp_data.h"
#include "core/temp_string.h"

TEST(TempString, HoldsUpToCapacityMinusOne) {
  std::string t259(259, 'a');
  TempString<260> s(t259.c_str());
  EXPECT_EQ(s.length(), 259);
  EXPECT_STREQ(s.c_str(), t259.c_str());
  TempString<260> fromNull(nullptr);
  EXPECT_STREQ(fromNull, "");
  TempString<8> part("abcdefgh", 3);
  EXPECT_STREQ(part, "abc");
  part = "xy";
  EXPECT_STREQ(part, "xy");
}

TEST(TempString, FormattedFillTruncatesToFit) {
  TempString<8> s;
  s.format("%d-%s", 12, "abcdefgh");
  EXPECT_STREQ(s, "12-abcd");
  EXPECT_STREQ(TempString<32>::formatted("%s/%03d", "x", 7), "x/007");
}

TEST(TempStringDeathTest, TooLongTextIsAFailedCheck) {
  std::string t260(260, 'a');
  EXPECT_EXIT({ TempString<260> s(t260.c_str()); }, testing::ExitedWithCode(100), "failed ASSERT\\(l<BS\\)");
}

TEST(TempData, AcquiresWritableGridAndReleases) {
  TempGrid8 grid;
  EXPECT_EQ(TempGrid8::size(), 524288u);
  double* cells = grid.acquireAs<double>();
  ASSERT_NE(cells, nullptr);
  for (int i = 0; i < 256 * 256; i++) cells[i] = i;  // whole grid is usable
  EXPECT_EQ(cells[256 * 256 - 1], 65535.0);
  grid.release();
  EXPECT_EQ(grid.data, nullptr);
  EXPECT_NE(grid.acquire(), nullptr);  // reusable; the destructor frees it
}

TEST(TempDataDeathTest, DoubleAcquireAndStrayReleaseAreFailedChecks) {
  EXPECT_EXIT(
      {
        TempGrid4 g;
        g.acquire();
        g.acquire();
      },
      testing::ExitedWithCode(100), "failed ASSERT\\(!data\\)");
  EXPECT_EXIT(
      {
        TempGrid4 g;
        g.release();
      },
      testing::ExitedWithCode(100), "failed ASSERT\\(data\\)");
}
