#include "script/world_gen_phase_times.h"
#include "core/ref_time.h"

#include <ctime>

int64_t world_gen_phase_ticks[WG_PHASE_COUNT];
int64_t world_gen_phase_cpu_ns[WG_PHASE_COUNT];
static int timer_depth = 0;

void reset_world_gen_phase_times() {
  for (int64_t& t : world_gen_phase_ticks) t = 0;
  for (int64_t& t : world_gen_phase_cpu_ns) t = 0;
}

int64_t thread_cpu_ns() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

WorldGenPhaseTimer::WorldGenPhaseTimer(WorldGenPhase phase)
    : phase_(phase), start_(0), cpu_start_(0), outermost_(timer_depth++ == 0) {
  if (!outermost_) return;
  start_ = get_ref_time();
  cpu_start_ = thread_cpu_ns();
}

WorldGenPhaseTimer::~WorldGenPhaseTimer() {
  --timer_depth;
  if (!outermost_) return;
  world_gen_phase_ticks[phase_] += get_ref_time() - start_;
  world_gen_phase_cpu_ns[phase_] += thread_cpu_ns() - cpu_start_;
}
