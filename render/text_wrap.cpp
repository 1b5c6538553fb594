#include "render/text_wrap.h"
#include <cstring>
#include "render/bitmap_font.h"

namespace {

int width_of(const char* text, int len) {
  int w, h;
  calc_text_size(text, len, w, h);
  return w;
}

// How many characters of the len at text go on one line.
int fitting_length(const char* text, int len, int width) {
  if (width_of(text, len) <= width) return len;
  int fit = 0;
  for (int i = 1; i < len; i++)
    if (text[i] == ' ' && text[i - 1] != ' ') {
      if (width_of(text, i) > width) break;
      fit = i;
    }
  if (fit > 0) return fit;
  // One word wider than the line: as much of it as fits, at least a letter.
  fit = 1;
  while (fit < len && width_of(text, fit + 1) <= width) fit++;
  return fit;
}

}  // namespace

int wrap_text(const char* text, int width, TextLine* lines, int max) {
  int count = 0;
  if (!text) return 0;
  for (const char* line = text; count < max;) {
    const char* end = strchr(line, '\n');
    if (!end) end = line + strlen(line);
    const char* at = line;
    do {
      int n = fitting_length(at, int(end - at), width);
      lines[count++] = {at, n};
      at += n;
      while (at < end && *at == ' ') at++;
    } while (at < end && count < max);
    if (!*end) break;
    line = end + 1;
  }
  return count;
}
