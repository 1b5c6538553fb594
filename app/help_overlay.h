#pragma once
// The help overlay (F1) over every mode, or the hint that it exists, and in
// development mode the sun's angle while the right mouse button sets it.
// Drawn in the text layer of each frame.

// The help text for the current mode.
const char* get_help_text();
void draw_help_overlay();
