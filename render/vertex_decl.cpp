#include "render/vertex_decl.h"
#include <cstring>
#include "core/debug.h"
#include "render/draw.h"

namespace {
VertexDecl vdecl_cache[MAX_VDECLS];

// The device keeps only the recognised types; anything else marks the
// element absent.
uint8_t device_type(uint8_t type) { return type >= VDECL_FLOAT1 && type <= VDECL_SHORT4 ? type : uint8_t(VDECL_UNUSED); }
uint8_t device_usage(uint8_t usage) { return usage <= VDECL_TEXCOORD ? usage : uint8_t(VDECL_TANGENT); }

// Instance data feeds at most eight inputs (the spline layout), on the
// locations of texture coordinates 4..7 and tangents, which instanced meshes
// leave free. No instance layout uses two of these on one location.
int instance_attribute_location(int usage, int index) {
  switch (usage) {
    case VDECL_POSITION: return index <= 15 ? 8 + index - VDECL_INSTANCE_INDEX : -1;
    case VDECL_NORMAL: return index <= 11 ? 12 + index - VDECL_INSTANCE_INDEX : -1;
    case VDECL_COLOR_USAGE: return index <= 11 ? 14 + index - VDECL_INSTANCE_INDEX : -1;
    default: return -1;
  }
}
}  // namespace

int vdecl_attribute_location(int usage, int index) {
  if (index >= VDECL_INSTANCE_INDEX) return instance_attribute_location(usage, index);
  switch (usage) {
    case VDECL_POSITION: return 0;
    case VDECL_NORMAL: return 1;
    case VDECL_COLOR_USAGE: return index <= 1 ? 2 + index : -1;
    case VDECL_TEXCOORD: return index <= 7 ? 4 + index : -1;
    default: return index <= 3 ? 12 + index : -1;
  }
}

VertexDecl* get_vdecl(const VDeclElem* layout) {
  VertexDecl d = {};
  int i = 0;
  for (;; i++) {
    ASSERT(i<MAX_VDECL_LEN);
    const VDeclElem& e = layout[i];
    if (e.stream == VDECL_END_STREAM) {
      d.elems[i] = DeviceVertexElement{0xFF, 0, VDECL_UNUSED, 0, 0, 0};
      break;
    }
    d.elems[i] = DeviceVertexElement{e.stream, e.offset, device_type(e.type), 0, device_usage(e.usage), e.usageIndex};
  }
  d.count = i + 1;

  for (VertexDecl& c : vdecl_cache)
    if (c.count == d.count && memcmp(c.elems, d.elems, sizeof(DeviceVertexElement) * size_t(d.count)) == 0)
      return &c;
  for (VertexDecl& c : vdecl_cache)
    if (c.count == 0) {
      // A declaration can only fail to exist if an element has no shader
      // input to feed; report the layout like a failed creation.
      for (int k = 0; k + 1 < d.count; k++)
        if (d.elems[k].type != VDECL_UNUSED && vdecl_attribute_location(d.elems[k].usage, d.elems[k].usageIndex) < 0) {
          debug("VSD:");
          for (int j = 0; layout[j].stream != VDECL_END_STREAM; j++)
            debug("  %4u %2u %2u %2u %2u", layout[j].offset, layout[j].stream, layout[j].type, layout[j].usage,
                  layout[j].usageIndex);
          fatal("failed to create vertex declaration (code 0x%08X)", unsigned(0x0501)  /* invalid value */);
        }
      c = d;
      return &c;
    }
  fatal("reached maximum vertex declaration count");
}

void release_all_vdecls() {
  set_vdecl(nullptr);
  for (VertexDecl& c : vdecl_cache) c = VertexDecl{};
}

int count_used_vdecls() {
  int n = 0;
  for (const VertexDecl& c : vdecl_cache) n += c.count > 0;
  return n;
}
