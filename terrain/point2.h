// A 2-D point or offset on the map, in cell units: x along world X, z along world Z.
#pragma once

struct Point2 {
  float x;
  float z;
};
