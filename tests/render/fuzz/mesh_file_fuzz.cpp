// libFuzzer target: a mesh file image (tag, length, payload) parsed as the
// loader does. Every input must end with the parsed parts or a MeshError,
// never a crash or a read outside the input; what parses must only name
// vertices, elements and bytes that exist.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include "render/mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  // The payload in its own allocation, so reading past it is caught.
  uint8_t* payload = static_cast<uint8_t*>(malloc(size - 8 ? size - 8 : 1));
  memcpy(payload, data + 8, size - 8);
  MeshData d;
  try {
    parse_mesh_payload(payload, uint32_t(size - 8), 8, d);
    const uint8_t* end = payload + (size - 8);
    if (d.vertices + uint64_t(d.stride) * d.vertexCount > end) abort();
    if (reinterpret_cast<const uint8_t*>(d.indices) + uint64_t(d.triangleCount) * 6 > end) abort();
    for (uint64_t i = 0; i < uint64_t(d.triangleCount) * 3; i++) {
      uint16_t v;
      memcpy(&v, reinterpret_cast<const uint8_t*>(d.indices) + i * 2, 2);
      if (v >= d.vertexCount) abort();
    }
    for (const VDeclElem& e : d.elements)
      if (e.stream != 0 || e.offset >= d.stride) abort();
    for (const std::string& t : d.textures)
      if (t.size() >= size_t(MAX_MESH_TEXTURE_NAME)) abort();
  } catch (const MeshError& e) {
    if (!e.message || e.offset < 8 || size_t(e.offset) > size) abort();
  }
  free(payload);
  return 0;
}
