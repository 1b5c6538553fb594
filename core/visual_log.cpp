// The visual log: the last lines of development messages shown on screen.
#include <cstdio>
#include "core/debug.h"

static DynArray<VisualLogLine> visual_log_lines;

void visual_log(const char* fmt, ...) {
  VisualLogLine line;
  va_list args;
  va_start(args, fmt);
  line.vformat(fmt, args);
  va_end(args);
  visual_log_lines.append(line);
  if (visual_log_lines.num > VISUAL_LOG_MAX_LINES)
    visual_log_lines.erase(0, visual_log_lines.num - VISUAL_LOG_MAX_LINES);
}

void clear_visual_log() { visual_log_lines.clear(); }

const DynArray<VisualLogLine>& get_visual_log() { return visual_log_lines; }
