#include "app/world_entry_timing.h"
#include <cstdio>
#include "core/debug.h"
#include "core/ref_time.h"
#include "render/pass_timer.h"

namespace {
bool pending = false;
bool passes_were_timed = false;
int64_t started = 0, generated = 0, drawn = 0;

// "first frame passes (ms): land refresh 12.3, world map 4.5, ..."
void log_first_frame_passes() {
  const PassTime* passes;
  int count = get_pass_times(&passes);
  char line[1024];
  int used = snprintf(line, sizeof line, "first frame passes (ms):");
  for (int i = 0; i < count && used < int(sizeof line); i++)
    used += snprintf(line + used, sizeof line - size_t(used), "%s %s %.1f", i ? "," : "", passes[i].name,
                     passes[i].seconds * 1e3);
  debug("%s", line);
}
}  // namespace

void begin_world_entry_timing() {
  pending = true;
  started = generated = drawn = get_ref_time();
}

void note_world_entry_generated() {
  if (!pending) return;
  generated = get_ref_time();
  // The first frame's passes show where drawing the new world goes.
  passes_were_timed = pass_timing_on();
  set_pass_timing(true);
  reset_pass_times();
}

void note_world_entry_frame_drawn() {
  if (pending) drawn = get_ref_time();
}

void note_world_entry_frame_presented() {
  if (!pending || drawn == generated) return;
  pending = false;
  int64_t now = get_ref_time();
  debug("entered world in %d ms: generation %d, first frame drawn %d, presented %d", get_time_msec(now - started),
        get_time_msec(generated - started), get_time_msec(drawn - generated), get_time_msec(now - drawn));
  log_first_frame_passes();
  set_pass_timing(passes_were_timed);
}
