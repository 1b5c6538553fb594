// The mesh file's payload, parsed and checked without any device object, so
// the checks can be exercised on arbitrary bytes.
#include <cstring>
#include "render/mesh.h"

namespace {
// Reads the payload field by field; offsets in errors are file offsets.
struct PayloadReader {
  const uint8_t* data;
  uint32_t size;
  uint32_t pos;
  int base;

  const uint8_t* take(uint64_t bytes) {
    if (bytes > size - pos) throw MeshError{"error reading file", base + int(pos)};
    const uint8_t* p = data + pos;
    pos += uint32_t(bytes);
    return p;
  }
  uint8_t u8() { return *take(1); }
  uint32_t u32() {
    uint32_t v;
    memcpy(&v, take(4), 4);
    return v;
  }
  // u8 length, the bytes, one zero byte.
  std::string name() {
    uint8_t len = u8();
    const char* text = reinterpret_cast<const char*>(take(uint64_t(len) + 1));
    return std::string(text, len);
  }
};

int element_size(uint8_t type) {
  switch (type) {
    case VDECL_FLOAT1: return 4;
    case VDECL_FLOAT2: return 8;
    case VDECL_FLOAT3: return 12;
    case VDECL_FLOAT4: return 16;
    case VDECL_COLOR: return 4;
    case VDECL_SHORT2: return 4;
    case VDECL_SHORT4: return 8;
    default: return 0;
  }
}

}  // namespace

void parse_mesh_payload(const uint8_t* payload, uint32_t size, int payload_offset, MeshData& out) {
  PayloadReader r{payload, size, 0, payload_offset};
  out.forwardShader = r.name();
  out.deferredShader = r.name();
  int textures = r.u8();
  for (int i = 0; i < textures; i++) {
    int at = payload_offset + int(r.pos);
    out.textures.push_back(r.name());
    if (out.textures.back().size() >= size_t(MAX_MESH_TEXTURE_NAME)) throw MeshError{"Texture name too long", at};
  }
  int balls = r.u8();
  out.balls.resize(size_t(balls));
  if (balls) memcpy(out.balls.data(), r.take(uint64_t(balls) * 16), size_t(balls) * 16);
  int elements = r.u8();
  int elements_at = payload_offset + int(r.pos);
  out.elements.resize(size_t(elements));
  if (elements) memcpy(out.elements.data(), r.take(uint64_t(elements) * 6), size_t(elements) * 6);
  out.stride = r.u32();
  out.vertexCount = r.u32();
  out.triangleCount = r.u32();
  // Mesh vertices are stream 0 and must lie inside one vertex.
  for (size_t i = 0; i < out.elements.size(); i++) {
    const VDeclElem& e = out.elements[i];
    int bytes = element_size(e.type);
    if (e.stream != 0 || bytes == 0 || uint32_t(e.offset) + uint32_t(bytes) > out.stride)
      throw MeshError{"Invalid vertex element", elements_at + int(i) * 6};
  }
  out.vertices = r.take(uint64_t(out.stride) * out.vertexCount);
  int indices_at = payload_offset + int(r.pos);
  const uint8_t* idx = r.take(uint64_t(out.triangleCount) * 6);
  out.indices = reinterpret_cast<const uint16_t*>(idx);
  for (uint64_t i = 0; i < uint64_t(out.triangleCount) * 3; i++) {
    uint16_t v;
    memcpy(&v, idx + i * 2, 2);
    if (v >= out.vertexCount) throw MeshError{"Invalid vertex index", indices_at + int(i * 2)};
  }
}

