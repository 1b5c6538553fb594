#include "render/pass_timer.h"
#include "core/ref_time.h"
#include "render/device.h"

namespace {
bool timing = false;
PassTime times[MAX_TIMED_PASSES];
int count = 0;

PassTime* entry(const char* name) {
  for (int i = 0; i < count; i++)
    if (times[i].name == name) return &times[i];
  if (count == MAX_TIMED_PASSES) return nullptr;
  times[count] = {name, 0.0, 0};
  return &times[count++];
}
}  // namespace

void set_pass_timing(bool on) { timing = on; }
bool pass_timing_on() { return timing; }
void reset_pass_times() { count = 0; }
int get_pass_times(const PassTime** out) {
  *out = times;
  return count;
}

TimedPass::TimedPass(const char* name) : name_(name) {
  if (!timing) return;
  flush_gpu();
  start_ = get_ref_time();
}

TimedPass::~TimedPass() {
  if (start_ < 0) return;
  flush_gpu();
  if (PassTime* e = entry(name_)) {
    e->seconds += get_time_sec(get_ref_time() - start_);
    e->calls++;
  }
}
