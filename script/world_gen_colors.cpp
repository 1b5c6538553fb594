// Colour helpers for world scripts: blends, HSV and CIE LCh conversions and
// packing. Colour arguments are packed integers or anything a vector takes.
#include <algorithm>
#include <cmath>
#include "script/sqbind.h"
#include "script/world_gen_bindings.h"

using sqbind::ScriptColor;

static __m128 scaled(__m128 k, float w) { return _mm_mul_ps(k, _mm_set1_ps(w)); }

static __m128 lerpcolor(ScriptColor k1, ScriptColor k2, float t) {
  return _mm_add_ps(k1.v, scaled(_mm_sub_ps(k2.v, k1.v), t));
}

static __m128 mix3colors(ScriptColor k1, float w1, ScriptColor k2, float w2, ScriptColor k3, float w3) {
  return _mm_add_ps(_mm_add_ps(scaled(k1.v, w1), scaled(k2.v, w2)), scaled(k3.v, w3));
}

static __m128 mix4colors(ScriptColor k1, float w1, ScriptColor k2, float w2, ScriptColor k3, float w3,
                         ScriptColor k4, float w4) {
  return _mm_add_ps(mix3colors(k1, w1, k2, w2, k3, w3), scaled(k4.v, w4));
}

static __m128 hsv_to_rgba(float h, float s, float v, float a) {
  if (s == 0.0f) return _mm_setr_ps(v, v, v, a);
  // In double, so that whole sectors (120, 240 degrees...) land exactly.
  double turns = double(h) / 360.0;
  turns -= std::floor(turns);
  if (!(turns >= 0.0 && turns < 1.0)) turns = 0.0;  // an undefined or infinite hue
  double sector = turns * 6.0;
  int i = std::min(int(std::floor(sector)), 5);
  float f = float(sector - i);
  float p = v * (1.0f - s), q = v * (1.0f - f * s), t = v * (1.0f - (1.0f - f) * s);
  switch (i) {
    case 0: return _mm_setr_ps(v, t, p, a);
    case 1: return _mm_setr_ps(q, v, p, a);
    case 2: return _mm_setr_ps(p, v, t, a);
    case 3: return _mm_setr_ps(p, q, v, a);
    case 4: return _mm_setr_ps(t, p, v, a);
    default: return _mm_setr_ps(v, p, q, a);
  }
}

static double lab_inverse(double f) {
  double cube = f * f * f;
  return cube > 0.008856 ? cube : (f - 16.0 / 116.0) / 7.787;
}

static double srgb_transfer(double x) { return x > 0.0031308 ? 1.055 * std::pow(x, 1.0 / 2.4) - 0.055 : 12.92 * x; }

static __m128 lch_to_rgba(float L, float C, float h, float alpha) {
  double rad = double(h) * M_PI / 180.0;
  double a = C * std::cos(rad), b = C * std::sin(rad);
  double fy = (L + 16.0) / 116.0, fx = fy + a / 500.0, fz = fy - b / 200.0;
  // D65 white, scaled to 0..1.
  double X = 0.95047 * lab_inverse(fx), Y = 1.00000 * lab_inverse(fy), Z = 1.08883 * lab_inverse(fz);
  double r = 3.2406 * X - 1.5372 * Y - 0.4986 * Z;
  double g = -0.9689 * X + 1.8758 * Y + 0.0415 * Z;
  double bl = 0.0557 * X - 0.2040 * Y + 1.0570 * Z;
  return _mm_setr_ps(float(srgb_transfer(r)), float(srgb_transfer(g)), float(srgb_transfer(bl)), alpha);
}

static SQInteger tocolor(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    if (sq_gettop(vm) < 2) throw sqbind::SquirrelError("wrong number of parameters");
    if (sq_gettype(vm, 2) == OT_INTEGER)
      sq_push(vm, 2);
    else
      sq_pushinteger(vm, SQInteger(sqbind::pack_color(sqbind::read_script_vec(vm, 2))));
    return 1;
  });
}

void bind_world_gen_colors(HSQUIRRELVM vm) {
  sqbind::bind_func(vm, "lerpcolor", &lerpcolor);
  sqbind::bind_func(vm, "mix3colors", &mix3colors);
  sqbind::bind_func(vm, "mix4colors", &mix4colors);
  sqbind::bind_func(vm, "hsv2rgba", &hsv_to_rgba);
  sqbind::bind_func(vm, "lch2rgba", &lch_to_rgba);
  bind_raw_native(vm, "tocolor", tocolor);
}
