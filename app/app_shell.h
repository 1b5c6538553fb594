#pragma once
// The application shell's own entry points: start-up, the update and the
// drawn frame, shutdown.

// The whole program: start-up, the frame loop, shutdown. Returns the exit
// code.
int app_main(int argc, char** argv);

void init_game();
void close_game();
// The shutdown sequence; also run by quit_game and fatal.
void close_all();

void update_frame(float dt);
bool draw_frame(float dt);
void after_device_reset();

// The splash falls back to the plain clear (the scene image is going away).
void forget_splash_background();
