#include "render/shaders.h"
#include <epoxy/gl.h>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include "core/crc32.h"
#include "core/debug.h"
#include "core/folder_swap.h"
#include "core/paths.h"
#include "core/streams.h"
#include "render/device_internal.h"
#include "render/render_state.h"
#include "render/textures.h"
#include "render/vertex_decl.h"

namespace {
Shader shader_table[MAX_SHADERS];
bool compiler_available = false;
bool compiler_switched_off = false;
bool reloading = false;
Shader* cur_shader = nullptr;
GLuint bound_program = 0;

// Constant registers live in two uniform buffers shared by every program, so
// they are device state like the registers they stand for.
GLuint const_buffers[2];
float vs_consts[VS_CONST_COUNT][4];
float ps_consts[PS_CONST_COUNT + 1][4];  // the last register holds the alpha test
int vs_dirty_lo = VS_CONST_COUNT, vs_dirty_hi = 0;
int ps_dirty_lo = PS_CONST_COUNT + 1, ps_dirty_hi = 0;

constexpr int MAX_INCLUDE_DEPTH = 16;

bool program_binaries_supported() {
  return epoxy_gl_version() >= 41 || epoxy_has_gl_extension("GL_ARB_get_program_binary");
}

bool read_whole_file(const char* path, std::string* out) {
  FILE* f = open_data_file(path, "rb");
  if (!f) return false;
  out->clear();
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0) out->append(buf, n);
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}

// The key a program is cached under: what its files hold, whatever their
// times say (a file unpacked from an archive may be older than the cache).
uint32_t content_key(const std::string& content) { return crc32_of(content.data(), content.size()); }

// Reads a whole program file; names are relative to the executable's folder.
// Every file asked for becomes a dependency of the shader, a missing one
// too (time 0), so that its coming back is noticed.
bool read_source_file(const char* name, Shader* s, std::string* out) {
  PathString path = make_full_path(name);
  bool ok = read_whole_file(path, out);
  if (s) {
    ShaderDependency dep = {};
    snprintf(dep.fileName, sizeof(dep.fileName), "%s", name);
    dep.time = ok ? get_file_time(path) : 0;
    dep.contentKey = ok ? content_key(*out) : 0;
    s->deps.append(&dep);
  }
  return ok;
}

// Expands #include "name" lines in place; #line directives keep the
// compiler's messages pointing at the right file (by dependency number).
bool expand_includes(const std::string& src, int file_index, Shader* s, int depth, std::string* out,
                     std::string* error) {
  size_t pos = 0;
  int line = 1;
  while (pos < src.size()) {
    size_t end = src.find('\n', pos);
    if (end == std::string::npos) end = src.size();
    std::string text = src.substr(pos, end - pos);
    size_t p = text.find_first_not_of(" \t");
    if (p != std::string::npos && text.compare(p, 8, "#include") == 0) {
      size_t q1 = text.find('"', p + 8), q2 = q1 == std::string::npos ? q1 : text.find('"', q1 + 1);
      if (q2 == std::string::npos) {
        *error = "malformed #include: " + text;
        return false;
      }
      std::string name = text.substr(q1 + 1, q2 - q1 - 1);
      if (depth >= MAX_INCLUDE_DEPTH) {
        *error = "#include nested too deeply at '" + name + "'";
        return false;
      }
      std::string inc;
      if (!read_source_file(name.c_str(), s, &inc)) {
        *error = "can't open include file '" + name + "'";
        return false;
      }
      int index = s ? s->deps.size() - 1 : 0;
      *out += "#line 1 " + std::to_string(index) + "\n";
      if (!expand_includes(inc, index, s, depth + 1, out, error)) return false;
      *out += "\n#line " + std::to_string(line + 1) + " " + std::to_string(file_index) + "\n";
    } else if (p != std::string::npos && text.compare(p, 8, "#version") == 0) {
      *out += "\n";  // taken out and put first by build_stage_source
    } else {
      *out += text;
      *out += "\n";
    }
    pos = end + 1;
    line++;
  }
  return true;
}

std::string version_line(const std::string& src) {
  size_t p = src.find("#version");
  if (p == std::string::npos) return "#version 330 core";
  size_t e = src.find('\n', p);
  std::string v = src.substr(p, e == std::string::npos ? std::string::npos : e - p);
  if (!v.empty() && v.back() == '\r') v.pop_back();
  return v;
}

std::string stage_prologue(const Shader* s, bool vertex) {
  std::string out;
  for (const char* d = s->defines; s->definesSize > 0 && *d;) {
    const char* value = d + strlen(d) + 1;
    out += std::string("#define ") + d + " " + value + "\n";
    if (!*value) break;  // a name without a value ends the list
    d = value + strlen(value) + 1;
  }
  out += vertex ? "#define VSH 1\n" : "#define PSH 1\n";
  char buf[1024];
  snprintf(buf, sizeof(buf),
           "layout(std140) uniform VsConsts { vec4 vs_c[%d]; };\n"
           "layout(std140) uniform PsConsts { vec4 ps_c[%d]; vec4 eh_alpha_test; };\n"
           "#define ALPHA_TEST(c) if ((c).a < eh_alpha_test.x) discard\n"
           "#define ATTR_POSITION %d\n#define ATTR_NORMAL %d\n#define ATTR_COLOR0 %d\n#define ATTR_COLOR1 %d\n"
           "#define ATTR_TEXCOORD0 %d\n#define ATTR_TEXCOORD1 %d\n#define ATTR_TEXCOORD2 %d\n"
           "#define ATTR_TEXCOORD3 %d\n#define ATTR_TEXCOORD4 %d\n#define ATTR_TEXCOORD5 %d\n"
           "#define ATTR_TEXCOORD6 %d\n#define ATTR_TEXCOORD7 %d\n#define ATTR_TANGENT %d\n",
           VS_CONST_COUNT, PS_CONST_COUNT, vdecl_attribute_location(VDECL_POSITION, 0),
           vdecl_attribute_location(VDECL_NORMAL, 0), vdecl_attribute_location(VDECL_COLOR_USAGE, 0),
           vdecl_attribute_location(VDECL_COLOR_USAGE, 1), vdecl_attribute_location(VDECL_TEXCOORD, 0),
           vdecl_attribute_location(VDECL_TEXCOORD, 1), vdecl_attribute_location(VDECL_TEXCOORD, 2),
           vdecl_attribute_location(VDECL_TEXCOORD, 3), vdecl_attribute_location(VDECL_TEXCOORD, 4),
           vdecl_attribute_location(VDECL_TEXCOORD, 5), vdecl_attribute_location(VDECL_TEXCOORD, 6),
           vdecl_attribute_location(VDECL_TEXCOORD, 7), vdecl_attribute_location(VDECL_TANGENT, 0));
  out += buf;
  static const struct { const char* name; int usage, index; } instance_inputs[] = {
      {"POSITION10", VDECL_POSITION, 10}, {"POSITION11", VDECL_POSITION, 11}, {"POSITION12", VDECL_POSITION, 12},
      {"POSITION13", VDECL_POSITION, 13}, {"POSITION14", VDECL_POSITION, 14}, {"POSITION15", VDECL_POSITION, 15},
      {"NORMAL10", VDECL_NORMAL, 10},     {"NORMAL11", VDECL_NORMAL, 11},     {"COLOR10", VDECL_COLOR_USAGE, 10},
      {"COLOR11", VDECL_COLOR_USAGE, 11}};
  for (const auto& in : instance_inputs) {
    snprintf(buf, sizeof(buf), "#define ATTR_%s %d\n", in.name, vdecl_attribute_location(in.usage, in.index));
    out += buf;
  }
  // The vertex program's own main runs first; then the position is turned
  // to GL's clip space: the image's row 0 is the top and depth runs 0..1.
  if (vertex) out += "#define main eh_vertex_main\n";
  return out;
}

const char* VERTEX_EPILOGUE =
    "\n#undef main\n"
    "void main() {\n"
    "  eh_vertex_main();\n"
    "  gl_Position.y = -gl_Position.y;\n"
    "  gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n"
    "}\n";

void report_messages(const Shader* s, const char* func, const char* log, int len) {
  debug("GLSL '%s', func '%s':", s->fileName, func);
  debug("%.*s", len, log);
  if (reloading) {
    char head[MAX_PATH_LEN + 64];
    snprintf(head, sizeof(head), "GLSL '%s', func '%s':", s->fileName, func);
    append_error_message(head, -1);
    append_error_message(log, len);
  }
}

GLuint compile_stage(const Shader* s, const std::string& version, const std::string& body, bool vertex) {
  const char* func = vertex ? "vsh" : "psh";
  std::string src = version + "\n" + stage_prologue(s, vertex) + "#line 1 0\n" + body;
  if (vertex) src += VERTEX_EPILOGUE;
  GLuint sh = glCreateShader(vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
  const char* text = src.c_str();
  glShaderSource(sh, 1, &text, nullptr);
  glCompileShader(sh);
  GLint ok = 0, len = 0;
  glGetShaderiv(sh, GL_COMPILE_STATUS, &ok);
  glGetShaderiv(sh, GL_INFO_LOG_LENGTH, &len);
  if (len > 1) {
    std::string log(size_t(len), '\0');
    glGetShaderInfoLog(sh, len, &len, &log[0]);
    report_messages(s, func, log.c_str(), len);
  }
  if (!ok) {
    debug("FAILED to compile GLSL shader '%s', func '%s'", s->fileName, func);
    glDeleteShader(sh);
    return 0;
  }
  return sh;
}

// Binds the constant buffers and gives each sampler the stage its name ends
// with.
void setup_program(GLuint prog) {
  GLuint vs_block = glGetUniformBlockIndex(prog, "VsConsts");
  if (vs_block != GL_INVALID_INDEX) glUniformBlockBinding(prog, vs_block, 0);
  GLuint ps_block = glGetUniformBlockIndex(prog, "PsConsts");
  if (ps_block != GL_INVALID_INDEX) glUniformBlockBinding(prog, ps_block, 1);
  GLint count = 0;
  glGetProgramiv(prog, GL_ACTIVE_UNIFORMS, &count);
  glUseProgram(prog);
  for (GLint i = 0; i < count; i++) {
    char name[128];
    GLint size;
    GLenum type;
    glGetActiveUniform(prog, GLuint(i), sizeof(name), nullptr, &size, &type, name);
    if (type != GL_SAMPLER_2D && type != GL_SAMPLER_2D_SHADOW && type != GL_SAMPLER_3D && type != GL_SAMPLER_CUBE)
      continue;
    int n = int(strlen(name));
    while (n > 0 && isdigit((unsigned char)name[n - 1])) n--;
    int unit = atoi(name + n);
    glUniform1i(glGetUniformLocation(prog, name), unit < MAX_TEXTURE_STAGES ? unit : 0);
  }
  glUseProgram(bound_program);
}

GLuint link_program(const Shader* s, GLuint vs, GLuint ps) {
  GLuint prog = glCreateProgram();
  glAttachShader(prog, vs);
  glAttachShader(prog, ps);
  if (program_binaries_supported()) glProgramParameteri(prog, GL_PROGRAM_BINARY_RETRIEVABLE_HINT, GL_TRUE);
  glLinkProgram(prog);
  glDetachShader(prog, vs);
  glDetachShader(prog, ps);
  GLint ok = 0, len = 0;
  glGetProgramiv(prog, GL_LINK_STATUS, &ok);
  glGetProgramiv(prog, GL_INFO_LOG_LENGTH, &len);
  if (!ok && len > 1) {
    std::string log(size_t(len), '\0');
    glGetProgramInfoLog(prog, len, &len, &log[0]);
    report_messages(s, "link", log.c_str(), len);
  }
  if (!ok) {
    glDeleteProgram(prog);
    return 0;
  }
  setup_program(prog);
  return prog;
}

bool write_all(FILE* f, const void* p, size_t n) { return n == 0 || fwrite(p, 1, n, f) == n; }

// Writes the cache: magic, sizes, the dependency names, then the program.
// The linked program holds both stages, so the whole binary (its format
// first) takes the vertex block and the pixel block stays empty.
void write_shader_cache(const Shader* s, GLuint prog) {
  if (!program_binaries_supported()) return;
  GLint len = 0;
  glGetProgramiv(prog, GL_PROGRAM_BINARY_LENGTH, &len);
  if (len <= 0) return;
  std::string binary(size_t(len) + 4, '\0');
  GLenum format = 0;
  glGetProgramBinary(prog, len, &len, &format, &binary[4]);
  uint32_t fmt = format;
  memcpy(&binary[0], &fmt, 4);
  binary.resize(size_t(len) + 4);
  std::string deps;
  for (int i = 0; i < s->deps.size(); i++) deps.append(s->deps[i].fileName, strlen(s->deps[i].fileName) + 1);
  deps.push_back('\0');
  for (int i = 0; i < s->deps.size(); i++) {
    uint32_t key = s->deps[i].contentKey;
    deps.append(reinterpret_cast<const char*>(&key), 4);
  }
  uint32_t header[4] = {SHADER_CACHE_MAGIC, uint32_t(deps.size()), uint32_t(binary.size()), 0};
  FsPath path = shader_cache_path(s->fileName, s->definesSize ? s->defines : nullptr);
  // An installed game's cache folder starts empty.
  FsPath folder = path;
  cut_to_folder(folder.str);
  if (!folder.str[0] || !create_folders(folder)) return;
  FILE* f = fopen(path, "wb");
  if (!f) return;
  bool ok = write_all(f, header, sizeof(header)) && write_all(f, deps.data(), deps.size()) &&
            write_all(f, binary.data(), binary.size());
  ok = (fclose(f) == 0) && ok;
  if (!ok) remove(path);
}

bool load_shader_cache(Shader* s) {
  s->deps.clear();
  FsPath path = shader_cache_path(s->fileName, s->definesSize ? s->defines : nullptr);
  FILE* f = open_data_file(path, "rb");
  if (!f) return false;
  uint32_t header[4];
  std::string block, program;
  bool ok = fread(header, 1, sizeof(header), f) == sizeof(header) && header[0] == SHADER_CACHE_MAGIC &&
            header[1] <= (1u << 20) && header[2] <= (64u << 20) && header[3] <= (64u << 20);
  if (ok) {
    block.resize(header[1]);
    program.resize(size_t(header[2]) + header[3]);
    ok = fread(&block[0], 1, block.size(), f) == block.size() &&
         fread(&program[0], 1, program.size(), f) == program.size();
  }
  fclose(f);
  if (!ok || header[2] < 4) return false;
  size_t p = 0;
  while (p < block.size() && block[p]) {
    size_t len = strnlen(&block[p], block.size() - p);
    ShaderDependency dep = {};
    if (len < MAX_PATH_LEN) {
      memcpy(dep.fileName, &block[p], len);
      dep.time = compiler_available ? get_file_time(make_full_path(dep.fileName)) : 0;
      s->deps.append(&dep);
    }
    p += len + 1;
  }
  // The content keys follow the names' end, one per name.
  bool keyed = p < block.size() && block.size() - p - 1 == size_t(s->deps.size()) * 4;
  for (int i = 0; keyed && i < s->deps.size(); i++) memcpy(&s->deps[i].contentKey, &block[p + 1 + 4 * size_t(i)], 4);
  if (compiler_available) {
    // A file that is gone or holds something else makes the cache stale.
    if (!keyed) return false;
    std::string content;
    for (int i = 0; i < s->deps.size(); i++)
      if (!read_whole_file(make_full_path(s->deps[i].fileName), &content) ||
          content_key(content) != s->deps[i].contentKey)
        return false;
  }
  if (!program_binaries_supported()) return false;
  uint32_t fmt;
  memcpy(&fmt, &program[0], 4);
  GLuint prog = glCreateProgram();
  glProgramBinary(prog, GLenum(fmt), &program[4], GLsizei(header[2] - 4));
  GLint linked = 0;
  glGetProgramiv(prog, GL_LINK_STATUS, &linked);
  take_gl_error();
  if (!linked) {
    glDeleteProgram(prog);
    return false;
  }
  setup_program(prog);
  s->program = prog;
  debug("loaded shader '%s' from cache", s->fileName);
  return true;
}

bool compile_shader(Shader* s) {
  s->deps.clear();
  std::string src, body, error;
  bool read = read_source_file(s->fileName, s, &src) && expand_includes(src, 0, s, 0, &body, &error);
  if (!read) {
    if (error.empty()) error = std::string("can't open '") + s->fileName + "'";
    report_messages(s, "vsh", error.c_str(), int(error.size()));
  }
  std::string version = read ? version_line(src) : std::string();
  GLuint vs = read ? compile_stage(s, version, body, true) : 0;
  if (!vs) {
    debug("can't create vertex shader from '%s'", s->fileName);
    return false;
  }
  GLuint ps = compile_stage(s, version, body, false);
  GLuint prog = ps ? link_program(s, vs, ps) : 0;
  glDeleteShader(vs);
  if (ps) glDeleteShader(ps);
  if (!prog) {
    debug("can't create pixel shader from '%s'", s->fileName);
    return false;
  }
  s->program = prog;
  write_shader_cache(s, prog);
  return true;
}

void release_program(Shader* s) {
  if (s->program) {
    if (bound_program == s->program) {
      glUseProgram(0);
      bound_program = 0;
    }
    glDeleteProgram(s->program);
  }
  s->program = 0;
}

int defines_size(const char* defines) {
  if (!defines || !*defines) return 0;
  const char* d = defines;
  while (*d) d += strlen(d) + 1;  // name and value texts alike
  return int(d - defines) + 1;
}

bool dependency_changed(const Shader* s) {
  for (int i = 0; i < s->deps.size(); i++)
    if (get_file_time(make_full_path(s->deps[i].fileName)) != s->deps[i].time) return true;
  return false;
}

void upload_range(int index, const float* base, int& lo, int& hi) {
  if (hi <= lo) return;
  glBindBuffer(GL_UNIFORM_BUFFER, const_buffers[index]);
  glBufferSubData(GL_UNIFORM_BUFFER, lo * 16, (hi - lo) * 16, base + lo * 4);
  lo = 1 << 30;
  hi = 0;
}

void mark_dirty(int first, int count, int& lo, int& hi) {
  if (first < lo) lo = first;
  if (first + count > hi) hi = first + count;
}
}  // namespace

FsPath shader_cache_path(const char* file, const char* defines) {
  std::string name = file;
  // Names and values alike, one text at a time.
  for (const char* d = defines; d && *d; d += strlen(d) + 1) {
    name += '@';
    for (const char* c = d; *c; c++) name += isalnum((unsigned char)*c) ? *c : '_';
  }
  name += ".cache";
  return make_cache_path(name.c_str());
}

Shader* create_shader(const char* file, const char* defines) {
  int dsize = defines_size(defines);
  for (Shader& s : shader_table)
    if (s.program && strcmp(s.fileName, file) == 0 && s.definesSize == dsize &&
        memcmp(s.defines, defines ? defines : "", size_t(dsize)) == 0) {
      s.refcount++;
      return &s;
    }
  Shader* s = nullptr;
  for (Shader& e : shader_table)
    if (!e.program) {
      s = &e;
      break;
    }
  if (!s) fatal("reached maximum shader count!");
  int len = int(strlen(file));
  ASSERT(len < MAX_PATH_LEN);
  ASSERT(dsize <= MAX_SHADER_DEFINES);
  memcpy(s->fileName, file, size_t(len) + 1);
  memset(s->defines, 0, sizeof(s->defines));
  if (dsize) memcpy(s->defines, defines, size_t(dsize));
  s->definesSize = dsize;
  s->refcount = 0;
  if (load_shader_cache(s) || (compiler_available && compile_shader(s))) {
    s->refcount++;
    return s;
  }
  s->deps.clear();
  fatal("can't create shader from %s'%s'", compiler_available ? "" : "cache for ", file);
}

void destroy_shader(Shader* s) {
  if (!s) return;
  ASSERT(s->refcount>0);
  if (--s->refcount > 0) return;
  s->deps.clear();
  if (cur_shader == s) cur_shader = nullptr;
  release_program(s);
  ASSERT(s->program == 0 && s->deps.empty());
}

void set_shader(Shader* s) {
  cur_shader = s;
  GLuint prog = s ? s->program : 0;
  if (prog != bound_program) {
    glUseProgram(prog);
    bound_program = prog;
  }
}

void set_vs_const(int first, const float* values, int count) {
  if (first < 0 || count <= 0 || first + count > VS_CONST_COUNT) return;
  memcpy(vs_consts[first], values, size_t(count) * 16);
  mark_dirty(first, count, vs_dirty_lo, vs_dirty_hi);
}

void set_ps_const(int first, const float* values, int count) {
  if (first < 0 || count <= 0 || first + count > PS_CONST_COUNT) return;
  memcpy(ps_consts[first], values, size_t(count) * 16);
  mark_dirty(first, count, ps_dirty_lo, ps_dirty_hi);
}

void apply_shader_state() {
  if (!const_buffers[0]) {
    glGenBuffers(2, const_buffers);
    glBindBuffer(GL_UNIFORM_BUFFER, const_buffers[0]);
    glBufferData(GL_UNIFORM_BUFFER, sizeof(vs_consts), vs_consts, GL_DYNAMIC_DRAW);
    glBindBuffer(GL_UNIFORM_BUFFER, const_buffers[1]);
    glBufferData(GL_UNIFORM_BUFFER, sizeof(ps_consts), ps_consts, GL_DYNAMIC_DRAW);
    glBindBufferBase(GL_UNIFORM_BUFFER, 0, const_buffers[0]);
    glBindBufferBase(GL_UNIFORM_BUFFER, 1, const_buffers[1]);
    vs_dirty_hi = ps_dirty_hi = 0;
  }
  float atest = get_alpha_test_ref();
  if (ps_consts[PS_CONST_COUNT][0] != atest) {
    ps_consts[PS_CONST_COUNT][0] = atest;
    mark_dirty(PS_CONST_COUNT, 1, ps_dirty_lo, ps_dirty_hi);
  }
  upload_range(0, &vs_consts[0][0], vs_dirty_lo, vs_dirty_hi);
  upload_range(1, &ps_consts[0][0], ps_dirty_lo, ps_dirty_hi);
  // A reload replaces the program behind the bound handle.
  GLuint prog = cur_shader ? cur_shader->program : 0;
  if (prog != bound_program) {
    glUseProgram(prog);
    bound_program = prog;
  }
}

void load_shader_compiler() {
  compiler_available = !compiler_switched_off;
  debug(compiler_available ? "shader compiler available" : "no shader compiler");
}

void set_shader_compiler_available(bool available) {
  compiler_switched_off = !available;
  compiler_available = available;
}

bool is_shader_compiler_available() { return compiler_available; }

void reload_shaders(bool all) {
  if (!compiler_available) return;
  bool first = true;
  for (Shader& s : shader_table) {
    if (!s.program || !(all || s.deps.empty() || dependency_changed(&s))) continue;
    if (first) {
      reloading = true;
      set_error_message(nullptr);
      first = false;
    }
    GLuint old_program = s.program;
    DynArray<ShaderDependency> old_deps;
    old_deps = s.deps;
    s.program = 0;
    if (compile_shader(&s)) {
      debug("reloaded shader '%s'", s.fileName);
      if (bound_program == old_program) bound_program = 0;
      glDeleteProgram(old_program);
    } else {
      char msg[MAX_PATH_LEN + 32];
      snprintf(msg, sizeof(msg), "FAILED to reload shader '%s'", s.fileName);
      append_error_message(msg, -1);
      release_program(&s);
      s.program = old_program;
      // Keep the new file times, so a broken file is not recompiled every
      // second until it changes again.
      if (s.deps.empty()) s.deps = old_deps;
    }
  }
  reloading = false;
}

void close_shaders() {
  for (Shader& s : shader_table) {
    s.deps.clear();
    release_program(&s);
    s.refcount = 0;
  }
  cur_shader = nullptr;
  if (const_buffers[0]) glDeleteBuffers(2, const_buffers);
  const_buffers[0] = const_buffers[1] = 0;
  vs_dirty_lo = 0;
  vs_dirty_hi = VS_CONST_COUNT;
  ps_dirty_lo = 0;
  ps_dirty_hi = PS_CONST_COUNT + 1;
  compiler_available = false;
}
