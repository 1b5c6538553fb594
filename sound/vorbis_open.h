#pragma once
// Opening an Ogg Vorbis stream in memory with stb_vorbis such that a failed
// open leaves nothing allocated behind.

#ifdef __cplusplus
extern "C" {
#endif

typedef struct stb_vorbis stb_vorbis;
// Null when the stream cannot be opened.
stb_vorbis* open_vorbis_memory(const unsigned char* data, int size);

#ifdef __cplusplus
}
#endif
