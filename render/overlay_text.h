#pragma once
// The visual log and the error band (core/debug.h), drawn with the bitmap
// font inside the frame's text layer (between start_draw_text and
// end_draw_text).

void draw_visual_log();
void draw_error_message();
