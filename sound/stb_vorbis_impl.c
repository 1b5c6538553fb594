// The stb_vorbis implementation, compiled once as C.
#include <stddef.h>
#include <stdlib.h>

// A corrupt header can make the decoder ask for sizes computed in overflowed
// ints (a negative int becomes an enormous size_t). No real stream needs
// anywhere near this much per allocation, so such requests fail cleanly.
#define VORBIS_MAX_ALLOCATION ((size_t)64 << 20)
static void* vorbis_bounded_malloc(size_t size) { return size > VORBIS_MAX_ALLOCATION ? NULL : malloc(size); }
#define malloc(s) vorbis_bounded_malloc(s)

#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb/stb_vorbis.h>
