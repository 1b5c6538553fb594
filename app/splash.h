#pragma once
// The splash screen: drawn and presented at once, outside the frame loop,
// during start-up and long operations (world generation, erosion, shader
// compilation).
#include "core/temp_string.h"

// Sets the splash text (null gives an empty text) and progress (0..1; a
// negative value hides the progress bar), then draws and presents one frame.
void show_splash(const char* text, float progress);

// Copies the back buffer into the scene image, which becomes the splash
// background from then on.
void grab_scene_image();

// Text of the splash screen, "Please wait..." until show_splash sets it.
extern TempString<256> splash_text;
// Progress shown by the last show_splash; negative when the bar is hidden.
extern float splash_progress;
