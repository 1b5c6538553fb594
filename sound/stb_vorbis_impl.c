// The stb_vorbis implementation, compiled once as C, with its allocations
// routed through a tracker: on a failed open stb_vorbis returns without
// freeing some of what it allocated, so the open frees the rest itself.
#include <stddef.h>
#include <stdlib.h>

#include "sound/vorbis_open.h"

// A corrupt header can make the decoder ask for sizes computed in overflowed
// ints (a negative int becomes an enormous size_t). No real stream needs
// anywhere near this much per allocation, so such requests fail cleanly.
#define VORBIS_MAX_ALLOCATION ((size_t)16 << 20)

// Every block carries links; blocks made during an open join that open's
// list, all others link to themselves.
typedef struct VorbisBlock {
  struct VorbisBlock* prev;
  struct VorbisBlock* next;
} VorbisBlock;

static _Thread_local VorbisBlock* opening_blocks;

static void* vorbis_malloc(size_t size) {
  if (size > VORBIS_MAX_ALLOCATION) return NULL;
  VorbisBlock* b = (VorbisBlock*)malloc(sizeof(VorbisBlock) + size);
  if (!b) return NULL;
  if (opening_blocks) {
    b->prev = opening_blocks;
    b->next = opening_blocks->next;
    opening_blocks->next->prev = b;
    opening_blocks->next = b;
  } else {
    b->prev = b->next = b;
  }
  return b + 1;
}

static void vorbis_free(void* p) {
  if (!p) return;
  VorbisBlock* b = (VorbisBlock*)p - 1;
  b->prev->next = b->next;
  b->next->prev = b->prev;
  free(b);
}

#define malloc(s) vorbis_malloc(s)
#define free(p) vorbis_free(p)

#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb/stb_vorbis.h>

stb_vorbis* open_vorbis_memory(const unsigned char* data, int size) {
  VorbisBlock blocks = {&blocks, &blocks};
  opening_blocks = &blocks;
  int error = 0;
  stb_vorbis* v = stb_vorbis_open_memory(data, size, &error, NULL);
  opening_blocks = NULL;
  if (!v) {
    while (blocks.next != &blocks) vorbis_free(blocks.next + 1);
    return NULL;
  }
  // The decoder owns what is left and frees it on close.
  while (blocks.next != &blocks) {
    VorbisBlock* b = blocks.next;
    blocks.next = b->next;
    b->prev = b->next = b;
  }
  return v;
}
