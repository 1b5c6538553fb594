#pragma once
// The program's general allocator. The game-object module allocates its
// objects through these exported functions, so memory it hands back and forth
// with the engine (and objects that outlive a module reload) always belongs
// to one heap.
#include <cstddef>

extern "C" {
void* dlmalloc(size_t bytes);
void dlfree(void* mem);
// realloc semantics: a null pointer allocates; a size of 0 frees and returns
// null.
void* dlrealloc(void* mem, size_t bytes);
}
