#pragma once
// Runs a job in two parts at the same time and returns when both are done,
// so that the caller still sees one ordinary call: part 1 on a worker thread
// kept for the purpose, part 0 on the calling thread, which also takes part 1
// itself if the worker has not started it by then. With one thread (a
// machine with one core, or as set below) both parts run on the calling
// thread, 0 then 1. Only the main thread calls this, never from inside a
// part; the two parts must not write what the other reads.
#include <functional>

void run_two_part_job(const std::function<void(int part)>& job);

// How many threads run_two_part_job uses: 2 where the machine has more than
// one core, else 1. Setting 1 or 2 overrides that (tests, measurements).
int two_part_job_threads();
void set_two_part_job_threads(int threads);
