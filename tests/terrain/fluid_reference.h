// A cell-by-cell fluid step written the plain way, for comparing simWater
// against it bit for bit.
#pragma once

void reference_sim_water(float dt);
