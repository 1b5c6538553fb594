#include "render/draw.h"
#include <epoxy/gl.h>
#include "core/debug.h"
#include "render/buffers.h"
#include "render/device_internal.h"
#include "render/shaders.h"
#include "render/vertex_decl.h"

namespace {
struct Stream {
  BufferRecord* vb;
  int offset, stride;
};
Stream streams[MAX_VERTEX_STREAMS];
BufferRecord* index_buffer = nullptr;
VertexDecl* cur_decl = nullptr;
int instance_count = 0;  // 0 = no instancing
bool vertex_state_dirty = true;
uint32_t enabled_attribs = 0;
GLuint postfx_vb = 0;

constexpr int MAX_ATTRIBS = 16;

GLenum gl_mode(int prim) {
  switch (prim) {
    case PRIM_POINTLIST: return GL_POINTS;
    case PRIM_LINELIST: return GL_LINES;
    case PRIM_LINESTRIP: return GL_LINE_STRIP;
    case PRIM_TRISTRIP: return GL_TRIANGLE_STRIP;
    case PRIM_TRIFAN: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
  }
}

int vertex_count(int prim, int prim_count) {
  switch (prim) {
    case PRIM_POINTLIST: return prim_count;
    case PRIM_LINELIST: return prim_count * 2;
    case PRIM_LINESTRIP: return prim_count + 1;
    case PRIM_TRISTRIP:
    case PRIM_TRIFAN: return prim_count + 2;
    default: return prim_count * 3;
  }
}

void set_attrib_enabled(uint32_t wanted) {
  uint32_t changed = wanted ^ enabled_attribs;
  for (int i = 0; i < MAX_ATTRIBS; i++)
    if (changed & (1u << i)) {
      if (wanted & (1u << i))
        glEnableVertexAttribArray(GLuint(i));
      else
        glDisableVertexAttribArray(GLuint(i));
    }
  enabled_attribs = wanted;
}

// Points every input of the declaration at its stream.
void apply_vertex_state() {
  if (!vertex_state_dirty) return;
  vertex_state_dirty = false;
  uint32_t wanted = 0;
  if (cur_decl) {
    for (int i = 0; i + 1 < cur_decl->count; i++) {
      const DeviceVertexElement& e = cur_decl->elems[i];
      int loc = vdecl_attribute_location(e.usage, e.usageIndex);
      const Stream& s = streams[e.stream < MAX_VERTEX_STREAMS ? e.stream : 0];
      if (loc < 0 || e.type == VDECL_UNUSED || e.stream >= MAX_VERTEX_STREAMS || !s.vb || !s.vb->glBuffer) continue;
      glBindBuffer(GL_ARRAY_BUFFER, s.vb->glBuffer);
      const void* at = reinterpret_cast<const void*>(uintptr_t(s.offset + e.offset));
      switch (e.type) {
        case VDECL_COLOR: glVertexAttribPointer(GLuint(loc), GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s.stride, at); break;
        case VDECL_SHORT2: glVertexAttribPointer(GLuint(loc), 2, GL_SHORT, GL_FALSE, s.stride, at); break;
        case VDECL_SHORT4: glVertexAttribPointer(GLuint(loc), 4, GL_SHORT, GL_FALSE, s.stride, at); break;
        default: glVertexAttribPointer(GLuint(loc), e.type, GL_FLOAT, GL_FALSE, s.stride, at); break;
      }
      glVertexAttribDivisor(GLuint(loc), instance_count > 0 && e.stream == 1 ? 1 : 0);
      wanted |= 1u << loc;
    }
  }
  set_attrib_enabled(wanted);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, index_buffer ? index_buffer->glBuffer : 0);
}

// Errors left by earlier calls are not the draw's: logged and cleared, so
// only the draw's own failure stops the program.
void clear_stale_errors(const char* call) {
  unsigned err = take_gl_error();
  if (err) debug("GL error 0x%04X before %s", err, call);
}

void check_draw(const char* call) {
  unsigned err = take_gl_error();
  if (err) fatal("%s failed (code 0x%08X)", call, err);
}
}  // namespace

void invalidate_vertex_state() { vertex_state_dirty = true; }

void set_vb(int stream, BufferRecord* vb, int offset, int stride) {
  if (stream < 0 || stream >= MAX_VERTEX_STREAMS) return;
  streams[stream] = Stream{vb, offset, stride};
  vertex_state_dirty = true;
}

void set_ib(BufferRecord* ib) {
  index_buffer = ib;
  vertex_state_dirty = true;
}

void set_vdecl(VertexDecl* decl) {
  cur_decl = decl;
  vertex_state_dirty = true;
}

void set_instancing(int count) {
  instance_count = count > 0 ? count : 0;
  vertex_state_dirty = true;
}

void draw_indexed(int prim, int base_vertex, int min_index, int num_vertices, int start_index, int prim_count) {
  (void)min_index;
  (void)num_vertices;
  clear_stale_errors("draw_indexed");
  apply_shader_state();
  apply_vertex_state();
  const void* at = reinterpret_cast<const void*>(uintptr_t(start_index) * 2);
  int count = vertex_count(prim, prim_count);
  if (instance_count > 0)
    glDrawElementsInstancedBaseVertex(gl_mode(prim), count, GL_UNSIGNED_SHORT, at, instance_count, base_vertex);
  else
    glDrawElementsBaseVertex(gl_mode(prim), count, GL_UNSIGNED_SHORT, at, base_vertex);
  check_draw("draw_indexed");
}

void draw_prim(int prim, int start_vertex, int prim_count) {
  clear_stale_errors("draw_prim");
  apply_shader_state();
  apply_vertex_state();
  int count = vertex_count(prim, prim_count);
  if (instance_count > 0)
    glDrawArraysInstanced(gl_mode(prim), start_vertex, count, instance_count);
  else
    glDrawArrays(gl_mode(prim), start_vertex, count);
  check_draw("draw_prim");
}

void draw_postfx() {
  clear_stale_errors("draw_postfx");
  apply_shader_state();
  // The quad replaces the declaration, as a fixed vertex format would.
  cur_decl = nullptr;
  vertex_state_dirty = true;
  set_attrib_enabled(1u);
  glBindBuffer(GL_ARRAY_BUFFER, postfx_vb);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
  glVertexAttribDivisor(0, 0);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  check_draw("draw_postfx");
}

void init_draw_state() {
  static const float quad[12] = {-1, -1, 0, -1, 1, 0, 1, -1, 0, 1, 1, 0};
  glGenBuffers(1, &postfx_vb);
  glBindBuffer(GL_ARRAY_BUFFER, postfx_vb);
  glBufferData(GL_ARRAY_BUFFER, sizeof(quad), quad, GL_STATIC_DRAW);
  for (Stream& s : streams) s = Stream{};
  index_buffer = nullptr;
  cur_decl = nullptr;
  instance_count = 0;
  enabled_attribs = 0;
  vertex_state_dirty = true;
}

void close_draw_state() {
  if (postfx_vb) glDeleteBuffers(1, &postfx_vb);
  postfx_vb = 0;
  for (Stream& s : streams) s = Stream{};
  index_buffer = nullptr;
  cur_decl = nullptr;
  enabled_attribs = 0;
}
