#pragma once
// Text broken into lines that fit a width on screen, for overlays whose
// messages (a fault with its function and source line) are longer than the
// window is wide.

struct TextLine {
  const char* text;
  int len;
};

// Breaks text at its '\n' and, where a line is wider than width pixels in the
// bitmap font at the current text scale, after the last blank that keeps it
// within width (inside a word that alone is wider). The blanks at a break are
// left out. Fills at most max lines and returns how many it filled.
int wrap_text(const char* text, int width, TextLine* lines, int max);
