#include "script/world_gen_phase_times.h"
#include "core/ref_time.h"

int64_t world_gen_phase_ticks[WG_PHASE_COUNT];
static int timer_depth = 0;

void reset_world_gen_phase_times() {
  for (int64_t& t : world_gen_phase_ticks) t = 0;
}

WorldGenPhaseTimer::WorldGenPhaseTimer(WorldGenPhase phase)
    : phase_(phase), start_(get_ref_time()), outermost_(timer_depth++ == 0) {}

WorldGenPhaseTimer::~WorldGenPhaseTimer() {
  --timer_depth;
  if (outermost_) world_gen_phase_ticks[phase_] += get_ref_time() - start_;
}
