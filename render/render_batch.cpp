#include "render/render_batch.h"
#include <cstring>
#include "core/allocator.h"
#include "core/debug.h"
#include "data/shader_constants.h"
#include "render/buffers.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/dyn_vb_writer.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"

namespace {
constexpr uintptr_t ITEM_ALIGN = 16;

uint8_t* align_up(uint8_t* p) {
  return reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(p) + ITEM_ALIGN - 1) & ~(ITEM_ALIGN - 1));
}

void draw_batch_triangles(int prim_count, int prim_type) { draw_prim(prim_type, 0, prim_count); }
}  // namespace

void BaseRenderBatchState::reset() {
  shader = nullptr;
  vdecl = nullptr;
  tex = nullptr;
}

void BaseRenderBatchState::begin(BaseRenderBatchState* prev) {
  if (!prev || prev->shader != shader) set_shader(shader);
  if (!prev || prev->vdecl != vdecl) set_vdecl(vdecl);
  if (!prev || prev->tex != tex) set_texture(0, tex);
}

void BaseRenderBatchState::end() { common_vb_writer.flush(true); }

void StdRenderBatchState::begin(BaseRenderBatchState* prev) {
  BaseRenderBatchState::begin(prev);
  set_vb(0, common_vb_writer.vb, 0, stride);
  common_vb_writer.begin(draw_batch_triangles, PRIM_TRILIST);
}

void ScreenBatchState::begin(BaseRenderBatchState* prev) {
  float c[4] = {2.f / float(d3d_wd), -2.f / float(d3d_ht), -1.f, 1.f};
  set_vs_const(VS_PIXEL_TO_CLIP, c, 1);
  set_blend_prealpha();
  set_zenable(false);
  set_zwrite(false);
  set_cull_mode(0);
  StdRenderBatchState::begin(prev);
  set_texture_filter(0, true);
  set_texture_address(0, 1, -1, -1);
}

bool batch_rects_overlap(const BatchRect& a, const BatchRect& b) {
  return a.x0 <= b.x1 && a.y0 <= b.y1 && a.x1 > b.x0 && a.y1 > b.y0;
}

RenderBatch::RenderBatch(unsigned block_size) : blockSize(block_size) {
  size_t bytes = sizeof(Block) + block_size;
  blocks = (Block*)dlmalloc(bytes);
  ASSERT(blocks);
  blocks->next = nullptr;
  blocks->pos = reinterpret_cast<uint8_t*>(blocks + 1);
  blocks->end = reinterpret_cast<uint8_t*>(blocks) + bytes;
}

RenderBatch::~RenderBatch() {
  groups.clear();
  while (blocks) {
    Block* next = blocks->next;
    dlfree(blocks);
    blocks = next;
  }
}

void* RenderBatch::allocItem(size_t bytes) {
  for (Block* b = blocks; b; b = b->next) {
    uint8_t* p = align_up(b->pos);
    if (p <= b->end && size_t(b->end - p) >= bytes) {
      b->pos = p + bytes;
      return p;
    }
  }
  // Room for the header, the item and the worst alignment.
  size_t need = sizeof(Block) + bytes + ITEM_ALIGN - 1;
  size_t total = need > sizeof(Block) + blockSize ? need : sizeof(Block) + blockSize;
  Block* p = (Block*)dlmalloc(total);
  ASSERT(p);
  p->next = blocks;
  p->pos = reinterpret_cast<uint8_t*>(p + 1);
  p->end = reinterpret_cast<uint8_t*>(p) + total;
  blocks = p;
  uint8_t* ptr = align_up(p->pos);
  ASSERT(ptr && size_t(p->end - ptr) >= bytes);
  p->pos = ptr + bytes;
  return ptr;
}

void* RenderBatch::add(BaseRenderBatchState* state, const BatchRect& rect, int size, int primitives) {
  ASSERT(size >= 0);
  BatchItem* ne = (BatchItem*)allocItem(size_t(size) + sizeof(BatchItem));
  ASSERT(ne);
  ne->rect = rect;
  ne->size = size;
  ne->primitives = primitives;
  ne->next = nullptr;
  for (int g = groups.num - 1; g >= 0; g--) {
    BatchGroup& group = groups[g];
    if (group.state == state) {
      group.rect.x0 = rect.x0 < group.rect.x0 ? rect.x0 : group.rect.x0;
      group.rect.y0 = rect.y0 < group.rect.y0 ? rect.y0 : group.rect.y0;
      group.rect.x1 = rect.x1 > group.rect.x1 ? rect.x1 : group.rect.x1;
      group.rect.y1 = rect.y1 > group.rect.y1 ? rect.y1 : group.rect.y1;
      group.last->next = ne;
      group.last = ne;
      return ne->data();
    }
    if (batch_rects_overlap(rect, group.rect)) {
      bool blocked = false;
      for (BatchItem* it = group.first; it && !blocked; it = it->next) blocked = batch_rects_overlap(rect, it->rect);
      if (blocked) break;
    }
  }
  BatchGroup group = {rect, state, ne, ne};
  groups.append(&group);
  return ne->data();
}

// An item larger than the writer's buffer (a long line of text) goes in
// pieces of whole primitives, all of one size.
static void write_item(const BatchItem& item) {
  DynVBWriter& w = common_vb_writer;
  if (w.freeSpace() < item.size && item.size <= w.size) w.flush(false);
  if (w.freeSpace() >= item.size) {
    if (item.size > 0) memcpy(w.writePtr, item.data(), size_t(item.size));
    w.writePtr += item.size;
    w.count += item.primitives;
    return;
  }
  int primitive = item.primitives > 0 ? item.size / item.primitives : 0;
  if (primitive <= 0 || primitive * item.primitives != item.size || primitive > w.size)
    fatal("batch item of %d bytes in %d primitives does not fit the vertex buffer", item.size, item.primitives);
  const uint8_t* src = item.data();
  for (int left = item.primitives; left > 0;) {
    if (w.freeSpace() < primitive) w.flush(false);
    if (w.freeSpace() < primitive) fatal("batch vertex buffer is not writable");
    int n = w.freeSpace() / primitive;
    if (n > left) n = left;
    memcpy(w.writePtr, src, size_t(n * primitive));
    src += n * primitive;
    w.writePtr += n * primitive;
    w.count += n;
    left -= n;
  }
}

void RenderBatch::render() {
  BaseRenderBatchState* prev = nullptr;
  for (const BatchGroup& group : groups) {
    group.state->begin(prev);
    for (BatchItem* it = group.first; it; it = it->next) write_item(*it);
    group.state->end();
    prev = group.state;
  }
}

void RenderBatch::clear() {
  groups.resize(0);
  for (Block* b = blocks; b; b = b->next) b->pos = reinterpret_cast<uint8_t*>(b + 1);
}
