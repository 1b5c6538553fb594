#include "render/inst_render.h"
#include <xmmintrin.h>
#include <cmath>
#include <cstring>
#include "core/allocator.h"
#include "core/debug.h"
#include "render/buffers.h"
#include "render/draw.h"
#include "render/dyn_vb_writer.h"
#include "render/mesh.h"
#include "render/render_options.h"
#include "render/shaders.h"
#include "render/shadows.h"
#include "render/textures.h"

int inst_render_draw_calls = 0;

namespace {
constexpr uint8_t INST = 1;  // instance stream

const VDeclElem simple_elements[] = {
    {0, INST, VDECL_COLOR, VDECL_POSITION, 11},  {4, INST, VDECL_COLOR, VDECL_POSITION, 12},
    {8, INST, VDECL_COLOR, VDECL_POSITION, 13},  {12, INST, VDECL_FLOAT3, VDECL_POSITION, 10},
    {24, INST, VDECL_COLOR, VDECL_COLOR_USAGE, 10},
};
const VDeclElem morph_elements[] = {
    {0, INST, VDECL_COLOR, VDECL_POSITION, 11},      {4, INST, VDECL_COLOR, VDECL_POSITION, 12},
    {8, INST, VDECL_COLOR, VDECL_POSITION, 13},      {12, INST, VDECL_FLOAT3, VDECL_POSITION, 10},
    {24, INST, VDECL_COLOR, VDECL_COLOR_USAGE, 10},  {28, INST, VDECL_COLOR, VDECL_POSITION, 15},
};
const VDeclElem spline_elements[] = {
    {0, INST, VDECL_FLOAT3, VDECL_POSITION, 10},     {12, INST, VDECL_FLOAT3, VDECL_POSITION, 11},
    {24, INST, VDECL_FLOAT3, VDECL_POSITION, 12},    {36, INST, VDECL_FLOAT3, VDECL_POSITION, 13},
    {48, INST, VDECL_COLOR, VDECL_NORMAL, 10},       {52, INST, VDECL_COLOR, VDECL_NORMAL, 11},
    {56, INST, VDECL_COLOR, VDECL_COLOR_USAGE, 10},  {60, INST, VDECL_COLOR, VDECL_COLOR_USAGE, 11},
};
const VDeclElem building_elements[] = {
    {0, INST, VDECL_SHORT2, VDECL_POSITION, 10},
    {4, INST, VDECL_FLOAT4, VDECL_POSITION, 11},
    {20, INST, VDECL_COLOR, VDECL_POSITION, 12},
};

template <int N>
const VDeclElem* elements_of(const VDeclElem (&list)[N], int& count) {
  count = N;
  return list;
}

// The mesh whose instances the shared writer is collecting.
const Mesh* drawn_mesh = nullptr;

void draw_instance_batch(int instances, int) {
  set_instancing(instances);
  draw_indexed(PRIM_TRILIST, 0, 0, drawn_mesh->vertexCount, 0, drawn_mesh->triangleCount);
  set_instancing(0);
  inst_render_draw_calls++;
}
}  // namespace

const VDeclElem* SimpleInstRender::getInstElements(int& count) const { return elements_of(simple_elements, count); }
const VDeclElem* MorphInstRender::getInstElements(int& count) const { return elements_of(morph_elements, count); }
const VDeclElem* SplineInstRender::getInstElements(int& count) const { return elements_of(spline_elements, count); }
const VDeclElem* BuildingInstRender::getInstElements(int& count) const {
  return elements_of(building_elements, count);
}

void InstRender::init(const char* mesh_name) {
  mesh = get_mesh(mesh_name, true);
  int inum = 0;
  const VDeclElem* inst = getInstElements(inum);
  ASSERT(mesh->vsd.size()+inum<MAX_VDECL_LEN);
  VDeclElem layout[MAX_VDECL_LEN];
  int n = 0;
  for (const VDeclElem& e : mesh->vsd) layout[n++] = e;
  for (int i = 0; i < inum; i++) layout[n++] = inst[i];
  layout[n] = VDeclElem{0, VDECL_END_STREAM, 0, 0, 0};
  vdecl = get_vdecl(layout);
  shader = create_shader(gfx_quality == 1 ? mesh->deferredShader.str : mesh->forwardShader.str, nullptr);
  if (mesh->textures.size() > 0) texture = get_texture(mesh->textures[0].str, true);
}

void* InstRender::addInstances(int count) {
  ASSERT(count>=0);
  int bytes = count * getInstStride();
  InstChunk* c = static_cast<InstChunk*>(dlmalloc(sizeof(InstChunk) + size_t(bytes)));
  ASSERT(c);
  c->data = c + 1;
  c->size = bytes;
  c->unused = 0;
  c->next = chunks;
  chunks = c;
  return c->data;
}

void InstRender::render() {
  if (!chunks) return;
  // Without a shader (it failed to compile) the frame's instances are
  // dropped: drawing them would use whatever program is bound.
  if (shader && mesh) {
    set_vdecl(vdecl);
    set_ib(mesh->ib);
    set_shader(shader);
    if (texture) set_texture(0, texture);
    const int stride = getInstStride();
    const int capacity = common_vb_writer.size / stride;
    set_vb(0, mesh->vb, 0, mesh->stride);
    set_vb(1, common_vb_writer.vb, 0, stride);
    drawn_mesh = mesh;
    common_vb_writer.begin(draw_instance_batch, 0);
    for (InstChunk* c = chunks; c; c = c->next) {
      const uint8_t* src = static_cast<const uint8_t*>(c->data);
      for (int left = c->size > 0 ? c->size / stride : 0; left > 0;) {
        if (common_vb_writer.count >= capacity) common_vb_writer.flush(false);
        int run = capacity - common_vb_writer.count;
        if (run > left) run = left;
        memcpy(common_vb_writer.writePtr, src, size_t(run) * size_t(stride));
        common_vb_writer.writePtr += run * stride;
        common_vb_writer.count += run;
        src += run * stride;
        left -= run;
      }
    }
    common_vb_writer.flush(true);
    drawn_mesh = nullptr;
  }
  for (InstChunk* c = chunks; c;) {
    InstChunk* next = c->next;
    dlfree(c);
    c = next;
  }
  chunks = nullptr;
}

void InstRender::renderShadowBalls(const Matrix44& tm, float scale) {
  for (const ShadowBall& b : mesh->balls) {
    float p[3];
    for (int k = 0; k < 3; k++) p[k] = b.x * tm.m[0][k] + b.y * tm.m[1][k] + b.z * tm.m[2][k] + tm.m[3][k];
    render_shadow_ball(_mm_setr_ps(p[0], p[1], p[2], 1.0f), b.radius * scale);
  }
}

D3dColor pack_inst_row(float x, float y, float z) {
  float len = sqrtf(x * x + y * y + z * z);
  if (!(len > 0)) return 0x00808080;
  float a = fminf(len / INST_ROW_SCALE, 1.0f);
  auto channel = [&](float v) { return D3dColor(lrintf(fminf(fmaxf(v / len * 0.5f + 0.5f, 0), 1) * 255)); };
  return D3dColor(lrintf(a * 255)) << 24 | channel(x) << 16 | channel(y) << 8 | channel(z);
}

SimpleInstance make_simple_instance(float x, float y, float z, float turn, float scale, D3dColor tint) {
  float c = cosf(turn) * scale, s = sinf(turn) * scale;
  return SimpleInstance{{pack_inst_row(c, 0, -s), pack_inst_row(0, scale, 0), pack_inst_row(s, 0, c)}, {x, y, z}, tint};
}

void init_inst_render_internals() {}
