#include "render/mesh.h"
#include <strings.h>
#include <cstring>
#include "core/debug.h"
#include "core/paths.h"
#include "core/streams.h"
#include "render/buffers.h"

namespace {
DynArray<Mesh*> mesh_cache;

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
