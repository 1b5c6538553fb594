#pragma once
// Static meshes for instanced objects: one file per object kind, loaded once
// and shared through a cache searched by full path (case-insensitive).
//
// File (little-endian): u32 tag MESH_FILE_TAG, u32 payload length, then the
// payload: forward shader name, deferred shader name (u8 length, bytes, one
// zero byte each), u8 texture count and as many names, u8 shadow-ball count
// and as many balls (x, y, z, radius floats), u8 element count and as many
// 6-byte vertex elements, u32 stride, u32 vertex count, u32 triangle count,
// the vertices and the 16-bit indices.
#include <cstdint>
#include <string>
#include <vector>
#include "core/dyn_array.h"
#include "core/temp_string.h"
#include "render/vertex_decl.h"

struct BufferRecord;

constexpr uint32_t MESH_FILE_TAG = 0x12040900;
constexpr int MAX_MESH_TEXTURE_NAME = 64;  // bytes including the zero

struct ShadowBall {
  float x, y, z, radius;  // model space
};

// A mesh file's contents as parsed, before any device object exists.
struct MeshData {
  std::string forwardShader, deferredShader;
  std::vector<std::string> textures;
  std::vector<ShadowBall> balls;
  std::vector<VDeclElem> elements;
  uint32_t stride = 0, vertexCount = 0, triangleCount = 0;
  const uint8_t* vertices = nullptr;  // inside the parsed payload
  const uint16_t* indices = nullptr;  // unaligned: copy, never dereference
};

// Thrown while reading a mesh: the message and the file offset it concerns
// (-1 for failures that are not about a place in the file).
struct MeshError {
  const char* message;
  int offset;
};

// Parses a payload that started at file offset payload_offset. Everything is
// checked against the payload's end, the vertex elements against the stride
// and the indices against the vertex count, so the device never reads
// outside the mesh's buffers. Throws MeshError.
void parse_mesh_payload(const uint8_t* payload, uint32_t size, int payload_offset, MeshData& out);

struct Mesh {
  BufferRecord* vb;
  BufferRecord* ib;
  int stride, vertexCount, triangleCount;
  DynArray<VDeclElem> vsd;  // the mesh's own elements, without an end record
  PathString forwardShader, deferredShader;
  DynArray<TempString<MAX_MESH_TEXTURE_NAME>> textures;
  PathString fileName;  // full path
  DynArray<ShadowBall> balls;
  int refcount;
};

// The cached mesh for a name beside the executable, its reference count
// raised, or the file loaded and cached. A mesh that cannot be loaded stops
// the program: with required, through "Error reading mesh file ..."; without,
// that text is only logged and the check on the result stops it.
Mesh* get_mesh(const char* name, bool required);
// Meshes in the cache (tests, statistics).
int count_loaded_meshes();
// Releases every mesh's buffers and empties the cache (shutdown).
void free_all_meshes();
