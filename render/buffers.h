#pragma once
// Vertex and index buffer tables: MAX_BUFFERS fixed entries each. Static
// buffers keep their contents over a device reset; dynamic ones are recreated
// empty with their sizes.
#include <cstdint>

constexpr int MAX_BUFFERS = 1000;
constexpr int BUFFER_STATIC = 1;  // flags bit 0; clear = dynamic

struct BufferRecord {
  uint32_t glBuffer;  // 0 when there is no native object
  int size;           // bytes; index buffers hold 16-bit indices
  int flags;
  bool inUse;
  bool isIndex;
};

BufferRecord* create_vb(int size, int flags);
BufferRecord* create_ib(int index_count, int flags);
void free_vb(BufferRecord* vb);
void free_ib(BufferRecord* ib);

// A dynamic buffer is locked with discard (its old contents are dropped).
// A size of 0 locks from offset to the end.
void* lock_vb(BufferRecord* vb, int offset, int size);
void* lock_ib(BufferRecord* ib, int offset, int size);
void unlock_vb(BufferRecord* vb);
void unlock_ib(BufferRecord* ib);

constexpr int MAX_VERTEX_STREAMS = 16;
void set_vb(int stream, BufferRecord* vb, int offset, int stride);
void set_ib(BufferRecord* ib);

// Device internals.
void release_dynamic_buffers();
void recreate_dynamic_buffers();
void release_all_buffers();
void unbind_buffers();
