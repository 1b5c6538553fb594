#include "render/dyn_vb_writer.h"
#include "core/debug.h"
#include "render/buffers.h"

DynVBWriter common_vb_writer;

void DynVBWriter::init(int bytes) {
  ASSERT(!startPtr);
  if (vb) free_vb(vb);
  vb = create_vb(bytes, 0);
  if (!vb) fatal("can't create dynamic VB of size %d", bytes);
  writePtr = nullptr;
  count = 0;
  size = bytes;
  renderFunc = nullptr;
  userValue = 0;
}

void DynVBWriter::release() {
  // A fatal error in the middle of a draw shuts down with the writer still
  // writing: what was written is dropped, not drawn.
  if (startPtr) unlock_vb(vb);
  writePtr = startPtr = nullptr;
  count = 0;
  renderFunc = nullptr;
  if (vb) free_vb(vb);
  vb = nullptr;
  size = 0;
}

void DynVBWriter::begin(DynVBRenderFunc fn, int user_value) {
  ASSERT(!startPtr);
  ASSERT(vb);
  startPtr = (uint8_t*)lock_vb(vb, 0, 0);
  ASSERT(startPtr);
  writePtr = startPtr;
  count = 0;
  renderFunc = fn;
  userValue = user_value;
}

void DynVBWriter::flush(bool end) {
  if (end ? !startPtr : writePtr == startPtr) return;
  ASSERT(startPtr && renderFunc);
  unlock_vb(vb);
  writePtr = startPtr = nullptr;
  if (count >= 1) renderFunc(count, userValue);
  count = 0;
  if (end) {
    renderFunc = nullptr;
    return;
  }
  startPtr = (uint8_t*)lock_vb(vb, 0, 0);
  ASSERT(startPtr);
  writePtr = startPtr;
}
