#pragma once
// The sound of moving ground: the terrain gathers it in eight groups around
// the camera, and these play each group as one "land_moving" loop.

// Fills the terrain's sound and listener hooks.
void connect_land_sounds();
