#include "core/two_part_job.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

class Worker {
 public:
  ~Worker() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }

  void run(const std::function<void(int)>& job) {
    if (!thread_.joinable()) thread_ = std::thread([this] { serve(); });
    uint64_t posting;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      job_ = &job;
      done_ = false;
      posting = ++posted_;
      open_.store(posting);
    }
    wake_.notify_one();
    job(0);
    if (claim(posting)) {
      job(1);
    } else {
      std::unique_lock<std::mutex> lock(mutex_);
      finished_.wait(lock, [this] { return done_; });
    }
    std::lock_guard<std::mutex> lock(mutex_);
    job_ = nullptr;
  }

 private:
  void serve() {
    uint64_t seen = 0;
    for (;;) {
      const std::function<void(int)>* job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return stop_ || posted_ != seen; });
        if (stop_) return;
        seen = posted_;
        job = job_;
      }
      if (!job || !claim(seen)) continue;
      (*job)(1);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
      }
      finished_.notify_one();
    }
  }

  // Part 1 of a posting is run by whoever claims it first.
  bool claim(uint64_t posting) { return open_.compare_exchange_strong(posting, 0); }

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_, finished_;
  const std::function<void(int)>* job_ = nullptr;
  uint64_t posted_ = 0;
  bool done_ = false;
  bool stop_ = false;
  std::atomic<uint64_t> open_{0};  // the posting whose part 1 nobody has claimed, or 0
};

int threads_in_use = std::thread::hardware_concurrency() > 1 ? 2 : 1;

}  // namespace

void run_two_part_job(const std::function<void(int part)>& job) {
  if (threads_in_use < 2) {
    job(0);
    job(1);
    return;
  }
  static Worker worker;
  worker.run(job);
}

int two_part_job_threads() { return threads_in_use; }

void set_two_part_job_threads(int threads) { threads_in_use = threads < 2 ? 1 : 2; }
