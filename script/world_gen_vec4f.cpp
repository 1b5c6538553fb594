// The script class vec4f and the vector helpers. Scripts use it for
// positions, directions and colours (r, g, b, a).
#include <smmintrin.h>
#include <cmath>
#include <numbers>
#include "core/allocator.h"
#include "script/sqbind.h"
#include "script/world_gen_bindings.h"
#include "terrain/game_random.h"

using sqbind::ScriptVec;

static const char* const INDEX_ERROR_TEXT = "vec4f index out of range";

struct SqVec4f {
  float c[4];

  __m128 load() const { return _mm_loadu_ps(c); }

  __m128 add(ScriptVec o) const { return _mm_add_ps(load(), o.v); }
  __m128 sub(ScriptVec o) const { return _mm_sub_ps(load(), o.v); }
  __m128 mul(ScriptVec o) const { return _mm_mul_ps(load(), o.v); }
  __m128 div(ScriptVec o) const { return _mm_div_ps(load(), o.v); }
  __m128 unm() const { return _mm_xor_ps(load(), _mm_set1_ps(-0.0f)); }
};

static SQInteger release_vec4f(SQUserPointer p, SQInteger) {
  dlfree(p);
  return 0;
}

// One number splats; four give the components; none give zero.
static __m128 vec_from_numbers(HSQUIRRELVM vm) {
  SQInteger n = sq_gettop(vm) - 1;
  float f[4] = {0, 0, 0, 0};
  if (n != 0 && n != 1 && n != 4) throw sqbind::SquirrelError("vec4f needs one or four numbers");
  for (SQInteger i = 0; i < n; i++) f[i] = sqbind::SqArg<float>::get(vm, 2 + i);
  if (n == 1) return _mm_set1_ps(f[0]);
  return _mm_loadu_ps(f);
}

static SqVec4f* self_of(HSQUIRRELVM vm) {
  SQUserPointer p = nullptr;
  if (SQ_FAILED(sq_getinstanceup(vm, 1, &p, sqbind::class_tag<SqVec4f>())) || !p)
    throw sqbind::SquirrelError("invalid 'this' in C++ method call");
  return static_cast<SqVec4f*>(p);
}

// Index reads and writes v[i]. A key that is not a number is "not found"
// (thrown null), so member look-ups such as v.tostring() still reach the
// default delegate.
static int component_index(HSQUIRRELVM vm) {
  SQObjectType t = sq_gettype(vm, 2);
  if (t != OT_INTEGER && t != OT_FLOAT) return -1;
  SQInteger i = sqbind::SqArg<int>::get(vm, 2);
  if (i < 0 || i > 3) throw sqbind::SquirrelError(INDEX_ERROR_TEXT);
  return int(i);
}

static SQInteger not_found(HSQUIRRELVM vm) {
  sq_pushnull(vm);
  return sq_throwobject(vm);
}

static SQInteger vec4f_get(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    SqVec4f* v = self_of(vm);
    int i = component_index(vm);
    if (i < 0) return not_found(vm);
    sq_pushfloat(vm, v->c[i]);
    return 1;
  });
}

static SQInteger vec4f_set(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    SqVec4f* v = self_of(vm);
    int i = component_index(vm);
    if (i < 0) return not_found(vm);
    v->c[i] = sqbind::SqArg<float>::get(vm, 3);
    return 0;
  });
}

static SQInteger vec4f_constructor(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    __m128 v = vec_from_numbers(vm);
    auto* p = static_cast<SqVec4f*>(dlmalloc(sizeof(SqVec4f)));
    if (!p) throw sqbind::SquirrelError("out of memory for vec4f");
    _mm_storeu_ps(p->c, v);
    sqbind::init_instance(p, vm, release_vec4f);
    return 0;
  });
}

static SQInteger make4f(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    sqbind::push_vec4f(vm, vec_from_numbers(vm));
    return 1;
  });
}

static __m128 len3sq_splat(__m128 a) { return _mm_dp_ps(a, a, 0x7F); }

static __m128 cross(ScriptVec a, ScriptVec b) {
  __m128 ayzx = _mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(3, 0, 2, 1));
  __m128 bzxy = _mm_shuffle_ps(b.v, b.v, _MM_SHUFFLE(3, 1, 0, 2));
  __m128 azxy = _mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(3, 1, 0, 2));
  __m128 byzx = _mm_shuffle_ps(b.v, b.v, _MM_SHUFFLE(3, 0, 2, 1));
  __m128 r = _mm_sub_ps(_mm_mul_ps(ayzx, bzxy), _mm_mul_ps(azxy, byzx));
  return _mm_blend_ps(r, _mm_setzero_ps(), 8);
}
static __m128 dot3(ScriptVec a, ScriptVec b) { return _mm_dp_ps(a.v, b.v, 0x7F); }
static __m128 len3(ScriptVec a) { return _mm_sqrt_ps(len3sq_splat(a.v)); }
static __m128 len3Sq(ScriptVec a) { return len3sq_splat(a.v); }
static __m128 norm3(ScriptVec a) {
  __m128 len = _mm_sqrt_ps(len3sq_splat(a.v));
  if (_mm_cvtss_f32(len) == 0.0f) return _mm_setzero_ps();
  return _mm_div_ps(a.v, len);
}
static __m128 norm3a(ScriptVec a) { return _mm_mul_ps(a.v, _mm_rsqrt_ps(len3sq_splat(a.v))); }
static float getx(ScriptVec a) { return _mm_cvtss_f32(a.v); }
static float gety(ScriptVec a) { return _mm_cvtss_f32(_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(1, 1, 1, 1))); }
static float getz(ScriptVec a) { return _mm_cvtss_f32(_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(2, 2, 2, 2))); }
static __m128 make_dir_xz(float t) {
  float a = 2.0f * std::numbers::pi_v<float> * t;
  return _mm_setr_ps(std::cos(a), 0.0f, std::sin(a), 0.0f);
}
// Distance between two places on the wrapping map, the shorter way round on
// each axis; in float throughout, as the scripts' own arithmetic.
static float flat_wrap_distance(float x0, float z0, float x1, float z1) {
  float dx = wrap(x1 - x0), dz = wrap(z1 - z0);
  return float(std::sqrt(double(dx * dx + dz * dz)));
}
// A blend weight kept within 0..1 (a number that is none stays none).
static float clamp01(float v) { return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; }
static __m128 make_dir_2d(ScriptVec a, ScriptVec b, float t) {
  float ang = 2.0f * std::numbers::pi_v<float> * t;
  return _mm_add_ps(_mm_mul_ps(a.v, _mm_set1_ps(std::cos(ang))), _mm_mul_ps(b.v, _mm_set1_ps(std::sin(ang))));
}

void bind_world_gen_vec4f(HSQUIRRELVM vm) {
  {
    sqbind::SqClassBinder<SqVec4f> cls(vm, "vec4f");
    bind_raw_native(vm, cls.cls, "constructor", vec4f_constructor);
    bind_raw_native(vm, cls.cls, "_get", vec4f_get);
    bind_raw_native(vm, cls.cls, "_set", vec4f_set);
    cls.method("_add", &SqVec4f::add)
        .method("_sub", &SqVec4f::sub)
        .method("_mul", &SqVec4f::mul)
        .method("_div", &SqVec4f::div)
        .method("_unm", &SqVec4f::unm);
  }
  bind_raw_native(vm, "make4f", make4f);
  sqbind::bind_func(vm, "cross", &cross);
  sqbind::bind_func(vm, "dot3", &dot3);
  sqbind::bind_func(vm, "len3", &len3);
  sqbind::bind_func(vm, "len3Sq", &len3Sq);
  sqbind::bind_func(vm, "norm3", &norm3);
  sqbind::bind_func(vm, "norm3a", &norm3a);
  sqbind::bind_func(vm, "getx", &getx);
  sqbind::bind_func(vm, "gety", &gety);
  sqbind::bind_func(vm, "getz", &getz);
  sqbind::bind_func(vm, "make_dir_xz", &make_dir_xz);
  sqbind::bind_func(vm, "make_dir_2d", &make_dir_2d);
  sqbind::bind_func(vm, "flat_wrap_distance", &flat_wrap_distance);
  sqbind::bind_func(vm, "clamp01", &clamp01);
}
