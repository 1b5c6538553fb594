#pragma once
// Shaders: GLSL ".sh" files holding both stages, compiled once with VSH and
// once with PSH defined, shared by reference count in a fixed table, cached
// as program binaries (make_cache_path) keyed by the content of every file
// they read, and recompiled when such a file changes, disappears or comes
// back.
//
// Cache file: magic, then the byte sizes of the dependency block, of the
// program and of an empty block; the dependency block holds each file's
// name with its NUL, one more NUL, then each file's content key (4 bytes).
//
// Environment of every stage (inserted after the file's #version line and
// the defines): vec4 arrays vs_c[VS_CONST_COUNT] and ps_c[PS_CONST_COUNT]
// written by set_vs_const / set_ps_const, ALPHA_TEST(colour) for the alpha
// test state, and the ATTR_* input locations of render/vertex_decl.h. A
// sampler's texture stage is the number its name ends with (tex0, s3, ...).
// The registers are named in data/shader_constants.h, which C++ and the
// shaders (#include "shader_constants.h") share.
#include <cstdint>
#include "core/dyn_array.h"
#include "core/paths.h"
#include "core/temp_string.h"

constexpr int MAX_SHADERS = 64;
constexpr int MAX_SHADER_DEFINES = 512;  // bytes of a define list
constexpr int VS_CONST_COUNT = 256;
constexpr int PS_CONST_COUNT = 224;
constexpr uint32_t SHADER_CACHE_MAGIC = 0x20100715;

struct ShaderDependency {
  char fileName[MAX_PATH_LEN];  // as the shader or include directive names it
  int64_t time;                 // modification time when it was read; 0: missing
  uint32_t contentKey;          // CRC-32 of what it held
};

struct Shader {
  uint32_t program;  // linked GL program; 0 = free slot
  char fileName[MAX_PATH_LEN];
  // name, value, name, value, ... each NUL-terminated, ended by an empty text
  char defines[MAX_SHADER_DEFINES];
  int definesSize;  // bytes including the final empty text; 0 = no defines
  DynArray<ShaderDependency> deps;
  int refcount;
};

// defines: "NAME\0 value\0NAME2\0 value2\0\0" or null.
Shader* create_shader(const char* file, const char* defines);
void destroy_shader(Shader* s);
void set_shader(Shader* s);
void set_vs_const(int first, const float* values, int count);
void set_ps_const(int first, const float* values, int count);

void load_shader_compiler();
void reload_shaders(bool all);
void close_shaders();
// The GL driver always compiles; switching it off makes the cache the only
// source, as on a machine without a compiler.
void set_shader_compiler_available(bool available);
bool is_shader_compiler_available();

// make_cache_path of "<file><suffix>.cache"; the suffix has "@" and the
// text with every character other than a letter or digit replaced by '_' for
// each name and value of the define list.
FsPath shader_cache_path(const char* file, const char* defines);

// Device internals: the constant buffers and the bound program are applied
// before every draw.
void apply_shader_state();
