#pragma once
// The warp between worlds: for one second each frame distorts the previous
// one, then the player leaves the world.

constexpr float WARP_DURATION = 1.f;  // seconds

struct WarpState {
  float remaining;     // seconds until leave_world
  float lastStepTime;  // time of the last effect step
  float accumulated;   // effect time so far
  bool firstFrame;
};
extern WarpState warp;

// The effect's shader, made once at start-up and released at shutdown.
void init_warp_effect();
void close_warp_effect();
