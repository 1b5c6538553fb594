#include "script/world_gen_phase_times.h"
#include "core/ref_time.h"

#include <ctime>

const char* const WORLD_GEN_PHASE_NAMES[WG_PHASE_COUNT] = {"noise",     "generators", "erosion", "masks",
                                                           "callbacks", "colouring",  "module"};
int64_t world_gen_phase_ticks[WG_PHASE_COUNT];
int64_t world_gen_phase_cpu_ns[WG_PHASE_COUNT];
static WorldGenPhaseTimer* innermost = nullptr;

void reset_world_gen_phase_times() {
  for (int64_t& t : world_gen_phase_ticks) t = 0;
  for (int64_t& t : world_gen_phase_cpu_ns) t = 0;
}

int64_t thread_cpu_ns() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void WorldGenPhaseTimer::charge(int64_t ticks, int64_t cpu_ns) {
  world_gen_phase_ticks[phase_] += ticks - since_;
  world_gen_phase_cpu_ns[phase_] += cpu_ns - cpu_since_;
}

WorldGenPhaseTimer::WorldGenPhaseTimer(WorldGenPhase phase)
    : phase_(phase), outer_(innermost), since_(get_ref_time()), cpu_since_(thread_cpu_ns()) {
  if (outer_) outer_->charge(since_, cpu_since_);
  innermost = this;
}

WorldGenPhaseTimer::~WorldGenPhaseTimer() {
  int64_t ticks = get_ref_time(), cpu_ns = thread_cpu_ns();
  charge(ticks, cpu_ns);
  innermost = outer_;
  if (outer_) {
    outer_->since_ = ticks;
    outer_->cpu_since_ = cpu_ns;
  }
}
