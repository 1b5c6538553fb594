#pragma once
// Value types shared by the renderers and the game-object module.
#include <cstdint>

// Packed 32-bit colour 0xAARRGGBB.
typedef uint32_t D3dColor;

// 4 x 4 floats, row-vector convention (a point is a row multiplied on the
// left); camera matrices hold the rows right, up, forward, position.
struct Matrix44 {
  float m[4][4];
};

// Primitive types of draw_indexed and draw_prim.
enum PrimitiveType {
  PRIM_POINTLIST = 1,
  PRIM_LINELIST = 2,
  PRIM_LINESTRIP = 3,
  PRIM_TRILIST = 4,
  PRIM_TRISTRIP = 5,
  PRIM_TRIFAN = 6,
};
