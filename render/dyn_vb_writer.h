#pragma once
// The shared dynamic vertex buffer: per-frame vertices (batches, effects)
// are written straight into a locked dynamic buffer and drawn by a callback
// whenever it fills up or the writer is flushed. Exported with its layout.
#include <cstdint>

struct BufferRecord;

// Draws `prim_count` primitives written since the last draw.
typedef void (*DynVBRenderFunc)(int prim_count, int user_value);

class DynVBWriter {
public:
  uint8_t* writePtr = nullptr;   // into the locked buffer, null when stopped
  int count = 0;                 // primitives written since the last draw
  uint8_t* startPtr = nullptr;   // the locked buffer's first byte; null = stopped
  BufferRecord* vb = nullptr;    // a dynamic entry of the buffer table
  int size = 0;                  // bytes
  DynVBRenderFunc renderFunc = nullptr;
  int userValue = 0;

  // Creates the buffer (any previous one is freed); must be stopped.
  void init(int size);
  // Also stops a writer that is writing (a shutdown from a fatal error).
  void release();
  // Locks the whole buffer with discard and starts writing at its beginning.
  void begin(DynVBRenderFunc fn, int user_value);
  // Unlocks and draws what was written. With end the writer stops; without,
  // it relocks with discard and writing restarts at the beginning.
  void flush(bool end);
  // Callers check this before writing.
  int freeSpace() const { return startPtr ? size - int(writePtr - startPtr) : 0; }
};

constexpr int COMMON_VB_SIZE = 65536;
// Created right after the render device, released before it closes.
extern DynVBWriter common_vb_writer;
