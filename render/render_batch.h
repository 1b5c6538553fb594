#pragma once
// Screen-space batches: small items (quads of text, icons, menu boxes) each
// with a render state and a screen rectangle. Items of one state are merged
// into one draw when no item of another state drawn in between overlaps
// them, so the picture is the same as drawing them in submission order.
#include <cstddef>
#include <cstdint>
#include "core/dyn_array.h"

struct Shader;
struct VertexDecl;
struct Texture;

// The render state of a batch group. begin binds only what differs from the
// previous group's state.
class BaseRenderBatchState {
public:
  Shader* shader = nullptr;
  VertexDecl* vdecl = nullptr;
  int stride = 0;  // vertex bytes
  Texture* tex = nullptr;  // stage 0

  virtual ~BaseRenderBatchState() = default;
  virtual void reset();  // everything but the stride
  virtual void begin(BaseRenderBatchState* prev);
  virtual void end();  // flushes common_vb_writer to its end
};

// Draws triangle lists from the shared writer's buffer on stream 0.
class StdRenderBatchState : public BaseRenderBatchState {
public:
  void begin(BaseRenderBatchState* prev) override;
};

// Screen drawing (interface text and shapes): vertices in screen pixels,
// mapped to the back buffer through VS_PIXEL_TO_CLIP, drawn with
// draw_states::OVERLAY_PREALPHA, stage 0 filtered and clamped.
class ScreenBatchState : public StdRenderBatchState {
public:
  void begin(BaseRenderBatchState* prev) override;
};

struct BatchRect {
  float x0, y0, x1, y1;
};

// Caller's vertex bytes follow the 32-byte header, 16-byte aligned.
struct BatchItem {
  BatchRect rect;
  int size;        // bytes of vertices
  int primitives;
  BatchItem* next;  // in the group
  uint8_t* data() { return reinterpret_cast<uint8_t*>(this) + sizeof(BatchItem); }
  const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(this) + sizeof(BatchItem); }
};
static_assert(sizeof(BatchItem) == 32, "batch items have a 32-byte header");

struct BatchGroup {
  BatchRect rect;  // union of the items' rectangles
  BaseRenderBatchState* state;
  BatchItem* first;
  BatchItem* last;
};

// Rectangles that only touch on the new item's left or top edge count as
// overlapping (a.x0 == b.x1); touching on its right or bottom edge does not.
bool batch_rects_overlap(const BatchRect& a, const BatchRect& b);

class RenderBatch {
public:
  explicit RenderBatch(unsigned block_size);
  ~RenderBatch();
  RenderBatch(const RenderBatch&) = delete;
  RenderBatch& operator=(const RenderBatch&) = delete;

  // Reserves an item; the caller writes exactly `size` bytes of vertices for
  // `primitives` primitives at the returned place.
  void* add(BaseRenderBatchState* state, const BatchRect& rect, int size, int primitives);
  // Draws every group in order through common_vb_writer; an item larger than
  // its buffer is split between whole primitives.
  void render();
  // Forgets items and groups, keeping the memory for the next frame.
  void clear();

  // A bump allocator: a chain of blocks, the newest first.
  struct Block {
    Block* next;
    uint8_t* pos;
    uint8_t* end;
  };
  Block* blocks = nullptr;
  unsigned blockSize;
  DynArray<BatchGroup> groups;

private:
  void* allocItem(size_t bytes);
};
