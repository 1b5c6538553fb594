#pragma once
// Instanced objects: one static mesh per object kind drawn once per frame
// for all its instances, whose data (one record per instance, the layout's
// stride) arrives in chunks that the game-object module allocates with
// dlmalloc and links into the renderer's list; render draws and frees them.
#include <cstdint>
#include "render/render_types.h"
#include "render/vertex_decl.h"

struct Mesh;
struct Shader;
struct Texture;

// A node of the frame's instance list. The node is freed with dlfree after
// drawing; data normally lives in the same allocation, right after the node.
struct InstChunk {
  void* data;
  int size;    // bytes; a partial trailing instance is ignored
  int unused;
  InstChunk* next;
};

class InstRender {
 public:
  InstChunk* chunks = nullptr;  // this frame's list
  Mesh* mesh = nullptr;
  Shader* shader = nullptr;
  VertexDecl* vdecl = nullptr;
  Texture* texture = nullptr;

  InstRender() = default;
  virtual ~InstRender() = default;
  virtual const VDeclElem* getInstElements(int& count) const = 0;
  virtual int getInstStride() const = 0;

  void init(const char* mesh_name);
  // Draws and consumes the instance list.
  void render();
  // Each shadow ball of the mesh, moved by tm and its radius scaled.
  void renderShadowBalls(const Matrix44& tm, float scale);

  // Allocates a chunk for count instances and puts it first in the list;
  // returns where the caller writes count * stride bytes.
  void* addInstances(int count);
};

// Rows of the rotation-and-scale matrix as packed colours, position, tint.
class SimpleInstRender : public InstRender {
 public:
  const VDeclElem* getInstElements(int& count) const override;
  int getInstStride() const override { return 28; }
};
// The simple record and a packed morph weight.
class MorphInstRender : public InstRender {
 public:
  const VDeclElem* getInstElements(int& count) const override;
  int getInstStride() const override { return 32; }
};
// Four control points of the body curve, two packed normals, two colours.
class SplineInstRender : public InstRender {
 public:
  const VDeclElem* getInstElements(int& count) const override;
  int getInstStride() const override { return 64; }
};
// Tile coordinates, a four-float transform, a packed colour.
class BuildingInstRender : public InstRender {
 public:
  const VDeclElem* getInstElements(int& count) const override;
  int getInstStride() const override { return 24; }
};

// Instance records as the game's shaders read them.
constexpr float INST_ROW_SCALE = 8.0f;  // largest length of a packed row
struct SimpleInstance {
  D3dColor rows[3];  // rotation-and-scale rows: (rgb * 2 - 1) * a * INST_ROW_SCALE
  float pos[3];
  D3dColor tint;  // 0x80808080 leaves the mesh's colours as they are
};
struct MorphInstance {
  SimpleInstance base;
  D3dColor morph;  // red: 0 the first shape .. 255 the second
};
struct SplineInstance {
  float points[4][3];  // tail to head
  D3dColor up[2];      // up at the tail and at the head, packed like rows
  D3dColor tint;
  D3dColor shape;  // red wing beat, green half body width / 2, alpha scale / 4
};
struct BuildingInstance {
  int16_t cell[2];  // x, z
  float place[4];   // ground height, turn in radians, scale, unused
  D3dColor tint;
};
static_assert(sizeof(SimpleInstance) == 28 && sizeof(MorphInstance) == 32 && sizeof(SplineInstance) == 64 &&
              sizeof(BuildingInstance) == 24, "instance records have the layouts' strides");

// A packed row of a rotation-and-scale matrix (length up to INST_ROW_SCALE).
D3dColor pack_inst_row(float x, float y, float z);
// A simple record for a turn about y, a uniform scale and a position.
SimpleInstance make_simple_instance(float x, float y, float z, float turn, float scale, D3dColor tint);

// Instanced draw calls since start-up (statistics, tests).
extern int inst_render_draw_calls;

void init_inst_render_internals();
