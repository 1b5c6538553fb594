#pragma once
// The statistics panel (F1): frames per second, frame and update times,
// free texture memory and GPU load, with bar graphs of the last 200 frame
// and update times. Drawn with the bitmap font in the frame's text layer.
#include "app/frame_loop.h"

// Maximum, minimum and rounded average of a ring. The maximum and minimum
// start from sample 0; a later sample raises the maximum or else lowers the
// minimum.
struct RingSummary {
  int max, min, avg;
};
RingSummary summarize_ring(const int* ring);

// The panel at the bottom right and both graphs, at width x height, from
// stats, with the update step in microseconds and the free texture memory.
void draw_stats_panel(const FrameStats& stats, int step_usec, unsigned free_texmem, int width, int height);
// The game's panel: frame_stats on the back buffer.
void draw_stats();
