#include "render/buffers.h"
#include <epoxy/gl.h>
#include <initializer_list>
#include "core/debug.h"
#include "render/device.h"
#include "render/device_internal.h"
#include "render/draw.h"

namespace {
BufferRecord vb_table[MAX_BUFFERS];
BufferRecord ib_table[MAX_BUFFERS];

GLenum create_native(BufferRecord* b) {
  take_gl_error();
  GLuint buf = 0;
  glGenBuffers(1, &buf);
  // Index buffers are filled through the copy target so the vertex array
  // object's index binding stays what set_ib made it.
  glBindBuffer(GL_COPY_WRITE_BUFFER, buf);
  glBufferData(GL_COPY_WRITE_BUFFER, b->size, nullptr, (b->flags & BUFFER_STATIC) ? GL_STATIC_DRAW : GL_DYNAMIC_DRAW);
  GLenum err = take_gl_error();
  if (err) {
    glDeleteBuffers(1, &buf);
    return err;
  }
  b->glBuffer = buf;
  return 0;
}

BufferRecord* create_buffer(BufferRecord* table, int size, int flags, bool is_index) {
  ASSERT(d3d_device_exists());
  BufferRecord* b = nullptr;
  for (int i = 0; i < MAX_BUFFERS; i++)
    if (!table[i].inUse) {
      b = &table[i];
      break;
    }
  if (!b) {
    debug(is_index ? "reached MAX_BUFFERS for IB" : "reached MAX_BUFFERS for VB");
    return nullptr;
  }
  *b = BufferRecord{0, size, flags, false, is_index};
  GLenum err = create_native(b);
  if (err) {
    debug(is_index ? "error creating IB (code 0x%08X)" : "error creating VB (code 0x%08X)", err);
    return nullptr;
  }
  b->inUse = true;
  return b;
}

void free_buffer(BufferRecord* b) {
  if (!b) return;
  if (b->glBuffer) glDeleteBuffers(1, &b->glBuffer);
  b->glBuffer = 0;
  b->inUse = false;
  invalidate_vertex_state();
}

void* lock_buffer(BufferRecord* b, int offset, int size) {
  if (!b || !b->glBuffer) return nullptr;
  if (size <= 0) size = b->size - offset;
  if (offset < 0 || size <= 0 || offset + size > b->size) return nullptr;
  GLbitfield access = GL_MAP_WRITE_BIT;
  if (!(b->flags & BUFFER_STATIC)) access |= GL_MAP_INVALIDATE_BUFFER_BIT;
  glBindBuffer(GL_COPY_WRITE_BUFFER, b->glBuffer);
  return glMapBufferRange(GL_COPY_WRITE_BUFFER, offset, size, access);
}

void unlock_buffer(BufferRecord* b) {
  if (!b || !b->glBuffer) return;
  glBindBuffer(GL_COPY_WRITE_BUFFER, b->glBuffer);
  glUnmapBuffer(GL_COPY_WRITE_BUFFER);
}

void recreate(BufferRecord* table) {
  for (int i = 0; i < MAX_BUFFERS; i++) {
    BufferRecord& b = table[i];
    if (!b.inUse || (b.flags & BUFFER_STATIC) || b.glBuffer) continue;
    GLenum err = create_native(&b);
    if (err) debug(b.isIndex ? "error creating IB (code 0x%08X)" : "error creating VB (code 0x%08X)", err);
  }
}
}  // namespace

BufferRecord* create_vb(int size, int flags) { return create_buffer(vb_table, size, flags, false); }
BufferRecord* create_ib(int index_count, int flags) { return create_buffer(ib_table, index_count * 2, flags, true); }
void free_vb(BufferRecord* vb) { free_buffer(vb); }
void free_ib(BufferRecord* ib) { free_buffer(ib); }
void* lock_vb(BufferRecord* vb, int offset, int size) { return lock_buffer(vb, offset, size); }
void* lock_ib(BufferRecord* ib, int offset, int size) { return lock_buffer(ib, offset, size); }
void unlock_vb(BufferRecord* vb) { unlock_buffer(vb); }
void unlock_ib(BufferRecord* ib) { unlock_buffer(ib); }

void release_dynamic_buffers() {
  for (BufferRecord* table : {vb_table, ib_table})
    for (int i = 0; i < MAX_BUFFERS; i++) {
      BufferRecord& b = table[i];
      if (b.inUse && !(b.flags & BUFFER_STATIC) && b.glBuffer) {
        glDeleteBuffers(1, &b.glBuffer);
        b.glBuffer = 0;
      }
    }
  invalidate_vertex_state();
}

void recreate_dynamic_buffers() {
  recreate(vb_table);
  recreate(ib_table);
}

void release_all_buffers() {
  unbind_buffers();
  for (BufferRecord* table : {vb_table, ib_table})
    for (int i = 0; i < MAX_BUFFERS; i++)
      if (table[i].inUse) free_buffer(&table[i]);
}

void unbind_buffers() {
  set_ib(nullptr);
  for (int i = 0; i < MAX_VERTEX_STREAMS; i++) set_vb(i, nullptr, 0, 0);
}
