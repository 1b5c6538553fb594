#include "render/sky.h"
#include <cmath>
#include <cstring>
#include "core/debug.h"
#include "core/optional_services.h"
#include "data/shader_constants.h"
#include "render/buffers.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/render_state.h"
#include "render/scene_view.h"
#include "render/shaders.h"
#include "render/vertex_decl.h"
#include "script/script_machines.h"
#include "script/sq_reloadable_vm.h"
#include "script/sqbind.h"

const SkyPalette default_sky_palette = {{{1, 1, 1, 0},
                                         {0, 0, 0, 0},
                                         {0.45f, 0.15f, 0.06f, 0},
                                         {0, 0, 0, 0},
                                         {1, 0, 0, 0},
                                         {0.346021f, 0, 0, 0},
                                         {1, 0, 0, 0},
                                         {3, 6, 15, 0},
                                         {2, 0, 0, 0},
                                         {2, 0, 0, 0},
                                         {0, 0, 0, 0},
                                         {0, 0, 0, 0}}};

namespace {
const float SUN_GLOW_COS = cosf(20.f * 3.14159265358979f / 180.f);

SkyPalette prev_palette, cur_palette, frame_palette;
__m128 prev_sun, cur_sun, frame_sun;

SqReloadableVM sky_rvm;
sqbind::SqFunc<sqbind::SqObject> get_sky_colors;

BufferRecord* sky_vb = nullptr;
BufferRecord* sky_ib = nullptr;
VertexDecl* sky_decl = nullptr;
Shader* sky_shader = nullptr;

__m128 normalised(__m128 v) {
  float p[4];
  _mm_storeu_ps(p, v);
  float len = sqrtf(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
  // A zero direction has no sun to point at; keep the sun overhead.
  if (!(len > 0.f) || !std::isfinite(len)) return _mm_setr_ps(0, 1, 0, 0);
  return _mm_setr_ps(p[0] / len, p[1] / len, p[2] / len, 0);
}

void show_sky_error(const char* text) {
  TempString<4096> message;
  message.format(SCRIPT_MACHINE_RULES[SCRIPT_MACHINE_SKY].errorFormat, text);
  error_message(message);
  set_error_message(message);
}

// Reads the script's answer: ten entries of three numbers each.
void read_script_palette(const sqbind::SqObject& result, SkyPalette& out) {
  if (result.type() != OT_ARRAY) throw sqbind::SquirrelError("get_sky_colors must return an array");
  if (result.size() < SKY_SCRIPT_ENTRIES)
    throw sqbind::SquirrelError("get_sky_colors returned fewer than 10 entries");
  for (int i = 0; i < SKY_SCRIPT_ENTRIES; i++) {
    sqbind::SqObject e = result[i];
    if (e.type() != OT_ARRAY || e.size() < 3)
      throw sqbind::SquirrelError("each entry of get_sky_colors must be an array of three numbers");
    for (int c = 0; c < 3; c++) {
      sqbind::SqObject v = e[c];
      if (v.type() != OT_FLOAT && v.type() != OT_INTEGER)
        throw sqbind::SquirrelError("each entry of get_sky_colors must be an array of three numbers");
      out.entry[i][c] = v.toFloat();
    }
    out.entry[i][3] = 0.f;
  }
}

void copy_current_to_all() {
  prev_palette = frame_palette = cur_palette;
  derive_sky_entries(frame_palette);
  prev_sun = frame_sun = cur_sun;
}

// A sky script without the function (an empty file, say) would leave the
// built-in palette in force without a word.
void bind_sky_colors() {
  get_sky_colors.release();
  get_sky_colors.bindRoot(sky_rvm.vm, "get_sky_colors");
  if (get_sky_colors.isNull()) show_sky_error("sky.nut defines no function get_sky_colors; the built-in sky is used");
}

void after_sky_reload() {
  bind_sky_colors();
  compute_sky_palette(cur_sun, cur_palette);
  copy_current_to_all();
}

const VDeclElem SKY_LAYOUT[] = {{0, 0, VDECL_FLOAT3, VDECL_POSITION, 0}, {0, VDECL_END_STREAM, 0, 0, 0}};
}  // namespace

void derive_sky_entries(SkyPalette& p) {
  for (int c = 0; c < 4; c++) {
    p.entry[10][c] = expf(-p.entry[2][c] / 0.2f) * p.entry[1][c] + p.entry[0][c];
    p.entry[11][c] = expf(-p.entry[2][c]) * p.entry[1][c] + p.entry[0][c];
  }
}

void compute_sky_palette(__m128 sun_dir, SkyPalette& out) {
  out = default_sky_palette;
  if (get_sky_colors.isNull()) return;
  float d[4];
  _mm_storeu_ps(d, sun_dir);
  float y = d[1] < -1.f ? -1.f : (d[1] > 1.f ? 1.f : d[1]);
  float angle = float(acos(double(y)) * 57.29577951308232);
  SkyPalette read = default_sky_palette;
  try {
    read_script_palette(get_sky_colors(angle), read);
    out = read;
  } catch (const sqbind::SquirrelError& e) {
    show_sky_error(e.desc);
  }
}

void init_sky() {
  cur_sun = prev_sun = frame_sun = normalised(_mm_setr_ps(0, 1, 3, 0));
  sky_vb = create_vb(4 * 12, 0);
  sky_ib = create_ib(6, BUFFER_STATIC);
  if (!sky_vb || !sky_ib) fatal("can't create sky buffers");
  static const uint16_t indices[6] = {0, 2, 1, 1, 2, 3};
  memcpy(lock_ib(sky_ib, 0, 0), indices, sizeof(indices));
  unlock_ib(sky_ib);
  sky_decl = get_vdecl(SKY_LAYOUT);
  sky_shader = create_shader("sky.sh", nullptr);
  open_script_machine(sky_rvm, SCRIPT_MACHINE_SKY);
  run_script_main_file(sky_rvm, SCRIPT_MACHINE_SKY);
  bind_sky_colors();
  register_script_machine(SCRIPT_MACHINE_SKY, &sky_rvm, {nullptr, after_sky_reload});
  compute_sky_palette(cur_sun, cur_palette);
  copy_current_to_all();
  optional_services.set_sun_dir = &set_sun_dir;
}

void close_sky() {
  optional_services.set_sun_dir = nullptr;
  unregister_script_machine(SCRIPT_MACHINE_SKY);
  get_sky_colors.release();
  sky_rvm.close();
  // A later start runs the files again in its new machine.
  sky_rvm.files.clear();
  destroy_shader(sky_shader);
  sky_shader = nullptr;
  free_vb(sky_vb);
  free_ib(sky_ib);
  sky_vb = sky_ib = nullptr;
}

void update_sky() {
  prev_palette = cur_palette;
  prev_sun = cur_sun;
}

void set_sun_dir(__m128 dir, bool immediate) {
  cur_sun = normalised(dir);
  compute_sky_palette(cur_sun, cur_palette);
  if (immediate) copy_current_to_all();
}

void blend_sky(float k) {
  k = k < 0.f ? 0.f : (k > 1.f ? 1.f : k);
  for (int i = 0; i < SKY_SCRIPT_ENTRIES; i++)
    for (int c = 0; c < 4; c++)
      frame_palette.entry[i][c] = prev_palette.entry[i][c] + (cur_palette.entry[i][c] - prev_palette.entry[i][c]) * k;
  derive_sky_entries(frame_palette);
  __m128 kk = _mm_set1_ps(k);
  frame_sun = normalised(_mm_add_ps(prev_sun, _mm_mul_ps(_mm_sub_ps(cur_sun, prev_sun), kk)));
}

void draw_sky() {
  if (!sky_shader) return;
  float x = 10.f * float(d3d_wd) / float(d3d_ht > 0 ? d3d_ht : 1);
  const float corners[4][2] = {{-x, 10.f}, {x, 10.f}, {-x, -10.f}, {x, -10.f}};
  float* v = (float*)lock_vb(sky_vb, 0, 4 * 12);
  if (!v) return;
  const Matrix44& m = cur_view_itm;
  for (int i = 0; i < 4; i++) {
    float cx = corners[i][0], cy = corners[i][1], cz = 10.f;
    for (int c = 0; c < 3; c++) v[i * 3 + c] = cx * m.m[0][c] + cy * m.m[1][c] + cz * m.m[2][c] + m.m[3][c];
  }
  unlock_vb(sky_vb);
  float sun[4];
  _mm_storeu_ps(sun, get_sun_constant());
  set_ps_const(PS_SUN_DIR, sun, 1);
  set_ps_const(PS_SKY_PALETTE, &frame_palette.entry[0][0], SKY_PALETTE_SIZE);
  // The quad faces away from whatever culling the passes before it left
  // on; culled, the sky would keep the last frame's pixels.
  set_cull_mode(0);
  set_shader(sky_shader);
  set_vdecl(sky_decl);
  set_vb(0, sky_vb, 0, 12);
  set_ib(sky_ib);
  draw_indexed(PRIM_TRILIST, 0, 0, 4, 0, 2);
}

const SkyPalette& get_frame_sky_palette() { return frame_palette; }
const SkyPalette& get_current_sky_palette() { return cur_palette; }
__m128 get_frame_sun_dir() { return frame_sun; }
__m128 get_current_sun_dir() { return cur_sun; }

__m128 get_sun_constant() {
  float s[4];
  _mm_storeu_ps(s, frame_sun);
  s[3] = SUN_GLOW_COS;
  return _mm_loadu_ps(s);
}
