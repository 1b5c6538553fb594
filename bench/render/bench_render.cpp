// The render device's own costs on the real (headless) device: creating a
// shader from source against loading it from its cache, and small draw
// calls through the lazily applied state.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "core/paths.h"
#include "render/buffers.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/headless_device.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"

namespace {
// The shader's registers: an offset and its colour.
constexpr int OFFSET = 0, COLOUR = 0;
const char* SHADER =
    "#version 330 core\n"
    "#define OFFSET 0\n#define COLOUR 0\n"
    "#ifdef VSH\nlayout(location = ATTR_POSITION) in vec3 pos;\n"
    "void main() { gl_Position = vec4(pos.xy + vs_c[OFFSET].xy, pos.z, 1.0); }\n#endif\n"
    "#ifdef PSH\nout vec4 color;\nvoid main() { color = ps_c[COLOUR]; }\n#endif\n";

struct Device {
  SDL_Window* window = nullptr;
  std::string folder;
  Device() {
    char tmpl[] = "/tmp/eh_bench_render_XXXXXX";
    folder = std::string(mkdtemp(tmpl)) + "/";
    mkdir((folder + "cache").c_str(), 0755);
    snprintf(app_path, sizeof(app_path), "%s", folder.c_str());
    FILE* f = fopen((folder + "bench.sh").c_str(), "wb");
    fputs(SHADER, f);
    fclose(f);
    window = open_headless_device(256, 256, "bench");
  }
  ~Device() {
    close_headless_device(window, true);
    if (system(("rm -rf " + folder).c_str()) != 0) fprintf(stderr, "cleanup failed\n");
  }
};
Device& device() {
  static Device d;
  return d;
}

void BM_CreateShaderFromSource(benchmark::State& state) {
  device();
  for (auto _ : state) {
    remove(shader_cache_path("bench.sh", nullptr));
    destroy_shader(create_shader("bench.sh", nullptr));
  }
}
BENCHMARK(BM_CreateShaderFromSource)->Unit(benchmark::kMillisecond);

void BM_CreateShaderFromCache(benchmark::State& state) {
  device();
  destroy_shader(create_shader("bench.sh", nullptr));
  for (auto _ : state) destroy_shader(create_shader("bench.sh", nullptr));
}
BENCHMARK(BM_CreateShaderFromCache)->Unit(benchmark::kMillisecond);

// One small quad per call, constants changed between calls, as renderers do.
void BM_SmallDraws(benchmark::State& state) {
  device();
  Shader* s = create_shader("bench.sh", nullptr);
  Texture* target = create_render_texture(256, 256, TEXFMT_ARGB8);
  BufferRecord* vb = create_vb(6 * 12, BUFFER_STATIC);
  const float q[18] = {0, 0.1f, 0.5f, 0.1f, 0.1f, 0.5f, 0, 0, 0.5f, 0.1f, 0.1f, 0.5f, 0.1f, 0, 0.5f, 0, 0, 0.5f};
  memcpy(lock_vb(vb, 0, 0), q, sizeof(q));
  unlock_vb(vb);
  const VDeclElem layout[] = {{0, 0, VDECL_FLOAT3, VDECL_POSITION, 0}, {0, 255, 0, 0, 0}};
  set_render_target(target, 0, false);
  set_shader(s);
  set_vdecl(get_vdecl(layout));
  set_vb(0, vb, 0, 12);
  int i = 0;
  for (auto _ : state) {
    float c[4] = {float(i % 16) / 8 - 1, float(i / 16 % 16) / 8 - 1, 0, 0};
    set_vs_const(OFFSET, c, 1);
    set_ps_const(COLOUR, c, 1);
    draw_prim(PRIM_TRILIST, 0, 2);
    if (++i % 1024 == 0) flush_gpu();  // keep the queue from growing without end
  }
  flush_gpu();
  set_back_buffer_target();
  set_shader(nullptr);
  destroy_shader(s);
  free_vb(vb);
  release_texture(target);
}
BENCHMARK(BM_SmallDraws);
}  // namespace

BENCHMARK_MAIN();
