#include <gtest/gtest.h>
#include <cstddef>
#include <vector>
#include "core/dyn_array.h"

namespace {

template <typename T>
std::vector<T> values(const DynArray<T>& a) {
  return std::vector<T>(a.begin(), a.end());
}

DynArray<int> make(std::initializer_list<int> list) {
  DynArray<int> a;
  for (int v : list) a.append(v);
  return a;
}

// Counts live instances, to see that erase, clear and copies construct and
// destroy exactly the elements they touch.
struct Tracked {
  static int live;
  int value;
  Tracked() : value(-1) { live++; }
  Tracked(const Tracked& o) : value(o.value) { live++; }
  ~Tracked() { live--; }
};
int Tracked::live = 0;

}  // namespace

TEST(DynArrayLayout, FieldsAreDataNumCapacityInOrder) {
  EXPECT_EQ(offsetof(DynArray<int>, data), 0u);
  EXPECT_EQ(offsetof(DynArray<int>, num), sizeof(void*));
  EXPECT_EQ(offsetof(DynArray<int>, capacity), sizeof(void*) + 4);
}

TEST(DynArrayGrowth, FollowsDoublingRuleWithMinimumOfEight) {
  DynArray<int> a;
  EXPECT_EQ(a.capacity, 0);
  EXPECT_EQ(a.data, nullptr);
  a.append(1);
  EXPECT_EQ(a.capacity, 8);
  for (int i = 2; i <= 8; i++) a.append(i);
  EXPECT_EQ(a.capacity, 8);
  a.append(9);
  EXPECT_EQ(a.capacity, 16);

  DynArray<int> b;
  b.resize(8);
  ASSERT_EQ(b.capacity, 8);  // resize reserves exactly
  int twenty[20] = {};
  b.insert(b.num, 20, twenty);
  EXPECT_EQ(b.capacity, 36);  // 2 x 8 is below 28, so 28 + 8
  EXPECT_EQ(b.num, 28);
}

TEST(DynArrayGrowth, ReserveIsExactAndNeverShrinks) {
  DynArray<int> a;
  a.reserve(5);
  EXPECT_EQ(a.capacity, 5);
  a.reserve(3);
  EXPECT_EQ(a.capacity, 5);
  a.resize(2);
  a.erase(0, 2);
  EXPECT_EQ(a.capacity, 5);
}

TEST(DynArrayEdit, InsertShiftsTailAndValueInitialises) {
  DynArray<int> a = make({1, 2, 3});
  int src[2] = {7, 8};
  int* first = a.insert(1, 2, src);
  EXPECT_EQ(first, a.data + 1);
  EXPECT_EQ(values(a), (std::vector<int>{1, 7, 8, 2, 3}));
  a.insert(5, 2, nullptr);
  EXPECT_EQ(values(a), (std::vector<int>{1, 7, 8, 2, 3, 0, 0}));
  a.insert(0, 1, src + 1);
  EXPECT_EQ(values(a), (std::vector<int>{8, 1, 7, 8, 2, 3, 0, 0}));
}

TEST(DynArrayEdit, ResizeGrowsWithZerosAndCutsTail) {
  DynArray<int> a = make({5, 6, 7});
  a.resize(5);
  EXPECT_EQ(values(a), (std::vector<int>{5, 6, 7, 0, 0}));
  a.resize(1);
  EXPECT_EQ(values(a), (std::vector<int>{5}));
}

TEST(DynArrayEdit, EraseKeepsOrderAndCapacity) {
  DynArray<int> a = make({10, 20, 30, 40, 50});
  int cap = a.capacity;
  a.erase(1, 2);
  EXPECT_EQ(values(a), (std::vector<int>{10, 40, 50}));
  a.erase(3, 0);  // at == num with nothing to erase is legal
  EXPECT_EQ(values(a), (std::vector<int>{10, 40, 50}));
  EXPECT_EQ(a.capacity, cap);
}

TEST(DynArrayEdit, EraseFastFillsHoleFromTheEnd) {
  DynArray<int> a = make({10, 20, 30, 40});
  a.eraseFast(1, 1);
  EXPECT_EQ(values(a), (std::vector<int>{10, 40, 30}));
  DynArray<int> b = make({10, 20, 30, 40});
  b.eraseFast(2, 2);
  EXPECT_EQ(values(b), (std::vector<int>{10, 20}));
  DynArray<int> c = make({1, 2, 3, 4, 5, 6});
  c.eraseFast(0, 2);  // more tail than hole: only two move
  EXPECT_EQ(values(c), (std::vector<int>{5, 6, 3, 4}));
  DynArray<int> d = make({1, 2, 3, 4, 5});
  d.eraseFast(1, 3);  // hole larger than the tail
  EXPECT_EQ(values(d), (std::vector<int>{1, 5}));
}

TEST(DynArrayEdit, AppendingOwnElementSurvivesReallocation) {
  DynArray<int> a = make({1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_EQ(a.num, a.capacity);
  a.append(a[0]);
  a.append(a.last());
  EXPECT_EQ(values(a), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 1, 1}));
  // A source range that the shift itself splits.
  DynArray<int> b = make({1, 2, 3, 4});
  b.insert(1, 2, b.data);
  EXPECT_EQ(values(b), (std::vector<int>{1, 1, 2, 2, 3, 4}));
}

TEST(DynArrayLifetime, ElementsAreConstructedAndDestroyedOnce) {
  Tracked::live = 0;
  {
    DynArray<Tracked> a;
    a.resize(5);
    EXPECT_EQ(Tracked::live, 5);
    a.erase(1, 2);
    EXPECT_EQ(Tracked::live, 3);
    a.eraseFast(0, 1);
    EXPECT_EQ(Tracked::live, 2);
    DynArray<Tracked> copy(a);
    EXPECT_EQ(Tracked::live, 4);
    copy.clear();
    EXPECT_EQ(Tracked::live, 2);
    EXPECT_EQ(copy.data, nullptr);
    EXPECT_EQ(copy.capacity, 0);
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(DynArrayLifetime, CopiesOfNestedArraysAreDeep) {
  DynArray<DynArray<int>> outer;
  outer.append().append(1);
  outer.append().append(2);
  for (int i = 0; i < 20; i++) outer.append();  // relocates the inner arrays
  DynArray<DynArray<int>> copy = outer;
  copy[0][0] = 99;
  EXPECT_EQ(outer[0][0], 1);
  EXPECT_EQ(outer[1][0], 2);
  EXPECT_EQ(copy.num, outer.num);
  EXPECT_EQ(copy.capacity, outer.num);  // the copy reserves the source count
  DynArray<DynArray<int>> moved = std::move(copy);
  EXPECT_EQ(copy.num, 0);
  EXPECT_EQ(moved[0][0], 99);
}

TEST(DynArrayChecksDeathTest, BadArgumentsStopWithTheFailedCheck) {
  EXPECT_EXIT(
      {
        DynArray<int> a = make({1, 2});
        a.erase(1, 2);
      },
      testing::ExitedWithCode(100), "failed ASSERT\\(at\\+n<=num\\)");
  EXPECT_EXIT(
      {
        DynArray<int> a;
        a.last();
      },
      testing::ExitedWithCode(100), "dyn_array.h\\([0-9]+\\): failed ASSERT\\(num>0\\)");
  EXPECT_EXIT(
      {
        DynArray<int> a;
        a.insert(1, 1, nullptr);
      },
      testing::ExitedWithCode(100), "failed ASSERT\\(at>=0 && at<=num\\)");
  EXPECT_EXIT(
      {
        DynArray<int> a;
        a.resize(-1);
      },
      testing::ExitedWithCode(100), "failed ASSERT\\(n>=0\\)");
  EXPECT_EXIT(
      {
        DynArray<int> a = make({1, 2, 3});
        a.eraseFast(2, 2);
      },
      testing::ExitedWithCode(100), "failed ASSERT\\(at\\+n<=num\\)");
}

#ifndef __SANITIZE_ADDRESS__
// The sanitizer's allocator aborts on such a request instead of failing it.
TEST(DynArrayChecksDeathTest, OutOfMemoryIsTheFailedAllocationCheck) {
  struct Huge {
    char bytes[1 << 20];
  };
  EXPECT_EXIT(
      {
        DynArray<Huge> a;
        a.reserve(0x7fffffff);
      },
      testing::ExitedWithCode(100), "failed ASSERT\\(np\\)");
}
#endif
