#pragma once
// The main menu's attract flight: the camera flies by itself over the menu
// world, wandering in yaw and keeping 5 to 15 units above the surface.

constexpr float ATTRACT_FLIGHT_SPEED = 10.f;  // units per second

struct AttractFlight {
  float yawSum, prevYawSum;
  float pitchSum, prevPitchSum;
  float yawRate, pitchRate;
  float clock;  // seconds since the main menu was entered
};
extern AttractFlight attract;
