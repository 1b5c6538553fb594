#pragma once
// Where a frame's time goes: the wall time of each named pass, with the GPU
// waited for before and after it, summed over the frames since the last
// reset. Off unless switched on (waiting for the GPU serialises the frame);
// the play-frame benchmark switches it on for its pass table.

constexpr int MAX_TIMED_PASSES = 48;

struct PassTime {
  const char* name;  // a literal, compared by address
  double seconds;
  int calls;
};

void set_pass_timing(bool on);
bool pass_timing_on();
void reset_pass_times();
// The passes met so far, in the order they were first met.
int get_pass_times(const PassTime** out);

// Times its scope as one pass when timing is on.
class TimedPass {
public:
  explicit TimedPass(const char* name);
  ~TimedPass();
  TimedPass(const TimedPass&) = delete;
  TimedPass& operator=(const TimedPass&) = delete;

private:
  const char* name_;
  long long start_ = -1;
};
