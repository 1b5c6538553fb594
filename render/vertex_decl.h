#pragma once
// Vertex layouts: arrays of 6-byte VDeclElem records ended by a record whose
// stream is 255, turned into cached declarations. An element's shader input
// location follows from its usage (see vdecl_attribute_location); the shader
// prologue defines the same numbers as ATTR_POSITION, ATTR_TEXCOORD0, ...
#include <cstdint>

constexpr int MAX_VDECL_LEN = 32;  // elements including the end record
constexpr int MAX_VDECLS = 64;

enum VDeclType {
  VDECL_FLOAT1 = 1,
  VDECL_FLOAT2 = 2,
  VDECL_FLOAT3 = 3,
  VDECL_FLOAT4 = 4,
  VDECL_COLOR = 5,   // D3dColor, read as normalised (r, g, b, a)
  VDECL_SHORT2 = 6,  // two signed 16-bit integers, read as floats
  VDECL_SHORT4 = 7,
  VDECL_UNUSED = 17,  // any other value: the element is absent
};
enum VDeclUsage {
  VDECL_POSITION = 0,
  VDECL_NORMAL = 1,
  VDECL_COLOR_USAGE = 2,
  VDECL_TEXCOORD = 3,
  VDECL_TANGENT = 6,  // any other value
};
constexpr uint8_t VDECL_END_STREAM = 255;

#pragma pack(push, 1)
struct VDeclElem {
  uint16_t offset;
  uint8_t stream;
  uint8_t type;
  uint8_t usage;
  uint8_t usageIndex;
};
#pragma pack(pop)
static_assert(sizeof(VDeclElem) == 6, "vertex element records are 6 bytes");

// Device form of an element (stream 0xFF ends the list).
struct DeviceVertexElement {
  uint16_t stream;
  uint16_t offset;
  uint8_t type;
  uint8_t method;
  uint8_t usage;
  uint8_t usageIndex;
};

struct VertexDecl {
  int count;  // elements including the end element; 0 = free slot
  DeviceVertexElement elems[MAX_VDECL_LEN];
};

VertexDecl* get_vdecl(const VDeclElem* layout);
void set_vdecl(VertexDecl* decl);
// Input location of a usage: position 0, normal 1, colour 2 + index (0..1),
// texture coordinate 4 + index (0..7), tangent 12 + index (0..3). Usage
// indexes from VDECL_INSTANCE_INDEX on are per-instance inputs: position
// 10..15 at 8..13, normal 10..11 at 12..13, colour 10..11 at 14..15; the
// shader prologue names them ATTR_POSITION10, ATTR_NORMAL10, ATTR_COLOR10...
constexpr int VDECL_INSTANCE_INDEX = 10;
int vdecl_attribute_location(int usage, int usage_index);
void release_all_vdecls();
int count_used_vdecls();
