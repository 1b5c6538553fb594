#pragma once
// The flying controls of play and development mode. Movement runs once per
// update; mouse look runs once per drawn frame, re-centring the mouse.

void update_play_control(float dt);
void update_play_mouse(float dt);
void update_dev_control(float dt);
void update_dev_mouse(float dt);
