#pragma once
// Where world generation spends its time: the bindings add their own run
// time to one of these phases; what is left of the whole generation is the
// script itself. Timers nest: an inner timer's time goes to its own phase
// only (a generator run from inside a mask callback counts as generator
// time, not as callback time too).
#include <cstdint>

enum WorldGenPhase {
  WG_PHASE_NOISE,       // noise layers and noise masks
  WG_PHASE_GENERATORS,  // hills, faults, craters, houses, recentring
  WG_PHASE_EROSION,
  WG_PHASE_MASKS,       // native mask building and applying
  WG_PHASE_CALLBACKS,   // per-cell and per-sample script functions, with their calls
  WG_PHASE_COLOURING,   // repainting and recolouring the land (with repaint callbacks)
  WG_PHASE_MODULE,      // the game-object module clearing and populating the world
  WG_PHASE_COUNT
};

extern const char* const WORLD_GEN_PHASE_NAMES[WG_PHASE_COUNT];

// get_ref_time ticks per phase since the last reset, and the processor time
// of this thread in nanoseconds (the figure to trust on a busy machine).
extern int64_t world_gen_phase_ticks[WG_PHASE_COUNT];
extern int64_t world_gen_phase_cpu_ns[WG_PHASE_COUNT];
int64_t thread_cpu_ns();
void reset_world_gen_phase_times();

class WorldGenPhaseTimer {
 public:
  explicit WorldGenPhaseTimer(WorldGenPhase phase);
  ~WorldGenPhaseTimer();
  WorldGenPhaseTimer(const WorldGenPhaseTimer&) = delete;
  WorldGenPhaseTimer& operator=(const WorldGenPhaseTimer&) = delete;

 private:
  void charge(int64_t ticks, int64_t cpu_ns);

  WorldGenPhase phase_;
  WorldGenPhaseTimer* outer_;
  // Since when this timer's phase is being charged (not while an inner one runs).
  int64_t since_;
  int64_t cpu_since_;
};

// A host function f wrapped to count its run time in phase P:
// bind_func(vm, "name", timed_in<P, &f>()).
template <WorldGenPhase P, auto F, class R, class... A>
R timed_call(A... args) {
  WorldGenPhaseTimer timer(P);
  return F(args...);
}
template <WorldGenPhase P, auto F, class R, class... A>
constexpr auto timed_helper(R (*)(A...)) {
  return &timed_call<P, F, R, A...>;
}
template <WorldGenPhase P, auto F>
constexpr auto timed_in() {
  return timed_helper<P, F>(F);
}
