#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/two_part_job.h"

namespace {

struct Threads {
  explicit Threads(int n) : saved(two_part_job_threads()) { set_two_part_job_threads(n); }
  ~Threads() { set_two_part_job_threads(saved); }
  int saved;
};

// Every job, one after the other, runs each of its parts exactly once and
// has finished both when the call returns; part 0 runs on the caller.
TEST(TwoPartJob, RunsEachPartOnceBeforeReturning) {
  for (int threads : {1, 2}) {
    Threads use(threads);
    const std::thread::id caller = std::this_thread::get_id();
    for (int job = 0; job < 300; ++job) {
      std::vector<long> sums(2, 0);
      int runs[2] = {0, 0};
      bool part0_on_caller = false;
      run_two_part_job([&](int part) {
        ++runs[part];
        if (part == 0) part0_on_caller = std::this_thread::get_id() == caller;
        for (int k = 0; k < 1000 * (job % 7); ++k) sums[part] += k + part;
      });
      ASSERT_EQ(runs[0], 1) << threads << " threads, job " << job;
      ASSERT_EQ(runs[1], 1) << threads << " threads, job " << job;
      ASSERT_TRUE(part0_on_caller);
      const long n = 1000 * (job % 7);
      ASSERT_EQ(sums[0], n * (n - 1) / 2);
      ASSERT_EQ(sums[1], n * (n - 1) / 2 + n);
    }
  }
}

TEST(TwoPartJob, OneThreadRunsThePartsInOrderOnTheCaller) {
  Threads use(1);
  std::vector<int> order;
  const std::thread::id caller = std::this_thread::get_id();
  run_two_part_job([&](int part) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    order.push_back(part);
  });
  EXPECT_EQ(order, (std::vector<int>{0, 1}));
}

}  // namespace
