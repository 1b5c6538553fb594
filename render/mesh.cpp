#include "render/mesh.h"
#include <strings.h>
#include <cstring>
#include "core/debug.h"
#include "core/paths.h"
#include "core/streams.h"
#include "render/buffers.h"

namespace {
DynArray<Mesh*> mesh_cache;

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

// The stream's own read, so a truncated file reports where reading stopped.
std::vector<uint8_t> read_mesh_file(const char* path, int& payload_offset) {
  FileInputStream in(path);
  if (!in.isOpen()) throw MeshError{"Can't open file", -1};
  try {
    uint32_t tag = 0, length = 0;
    in.read(&tag, 4);
    if (tag != MESH_FILE_TAG) throw MeshError{"Invalid mesh file version", -1};
    in.read(&length, 4);
    payload_offset = in.tell();
    // A length beyond the file's end fails like the read would, without
    // first reserving memory for it.
    in.seekFromEnd(0);
    int file_size = in.tell();
    in.seek(payload_offset);
    if (uint64_t(length) > uint64_t(file_size - payload_offset))
      throw InputStream::Exception("error reading file", file_size);
    std::vector<uint8_t> payload(length);
    in.read(payload.data(), int(length));
    return payload;
  } catch (const StreamIOException& e) {
    static thread_local char message[sizeof(e.message)];
    memcpy(message, e.message, sizeof(message));
    throw MeshError{message, e.position};
  }
}

void upload_mesh(const MeshData& d, Mesh& m) {
  int vb_bytes = int(d.stride * d.vertexCount);
  m.vb = create_vb(vb_bytes, BUFFER_STATIC);
  if (!m.vb) throw MeshError{"Can't create vertex buffer", -1};
  void* p = lock_vb(m.vb, 0, vb_bytes);
  if (!p) throw MeshError{"Can't lock vertex buffer", -1};
  memcpy(p, d.vertices, size_t(vb_bytes));
  unlock_vb(m.vb);

  int index_count = int(d.triangleCount * 3);
  m.ib = create_ib(index_count, BUFFER_STATIC);
  if (!m.ib) throw MeshError{"Can't create index buffer", -1};
  p = lock_ib(m.ib, 0, index_count * 2);
  if (!p) throw MeshError{"Can't lock index buffer", -1};
  memcpy(p, d.indices, size_t(index_count) * 2);
  unlock_ib(m.ib);
}

Mesh* new_mesh() {
  Mesh* m = static_cast<Mesh*>(dlmalloc(sizeof(Mesh)));
  ASSERT(m);
  new (m) Mesh{};
  return m;
}

void delete_mesh(Mesh* m) {
  if (m->vb) free_vb(m->vb);
  if (m->ib) free_ib(m->ib);
  m->~Mesh();
  dlfree(m);
}

Mesh* load_mesh(const char* path, bool required) {
  Mesh* m = new_mesh();
  try {
    int payload_offset = 0;
    std::vector<uint8_t> payload = read_mesh_file(path, payload_offset);
    MeshData d;
    parse_mesh_payload(payload.data(), uint32_t(payload.size()), payload_offset, d);
    upload_mesh(d, *m);
    m->stride = int(d.stride);
    m->vertexCount = int(d.vertexCount);
    m->triangleCount = int(d.triangleCount);
    for (const VDeclElem& e : d.elements) m->vsd.append(e);
    m->forwardShader = d.forwardShader.c_str();
    m->deferredShader = d.deferredShader.c_str();
    for (const std::string& t : d.textures) m->textures.append(TempString<MAX_MESH_TEXTURE_NAME>(t.c_str()));
    for (const ShadowBall& b : d.balls) m->balls.append(b);
    m->fileName = path;
    return m;
  } catch (const MeshError& e) {
    delete_mesh(m);
    if (required) fatal("Error reading mesh file '%s':\n%s (offset %d)", path, e.message, e.offset);
    debug("Error reading mesh file '%s':\n%s (offset %d)", path, e.message, e.offset);
    return nullptr;
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

Mesh* get_mesh(const char* name, bool required) {
  PathString path = make_full_path(name);
  for (Mesh* m : mesh_cache)
    if (strcasecmp(m->fileName.str, path.str) == 0) {
      m->refcount++;
      return m;
    }
  Mesh* m = load_mesh(path.str, required);
  ASSERT(m);
  m->refcount = 1;
  mesh_cache.append(m);
  return m;
}

int count_loaded_meshes() { return mesh_cache.size(); }

void free_all_meshes() {
  for (Mesh* m : mesh_cache) delete_mesh(m);
  mesh_cache.clear();
}
