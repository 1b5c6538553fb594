// Script classes ColorRamp and FloatRamp over the terrain's ramp records:
// built from a function of t or by the class factories, looked up, and
// dumped as source text for the engine's own built-in ramps.
#include <cstdio>
#include <string>
#include "core/allocator.h"
#include "script/world_gen_bindings.h"
#include "script/world_gen_callback.h"
#include "script/world_gen_phase_times.h"
#include "terrain/ramp.h"

namespace {

template <class Ramp>
struct RampKind;

template <>
struct RampKind<ColorRamp> {
  using Value = __m128;
  using Arg = sqbind::ScriptColor;
  static constexpr const char* NAME = "ColorRamp";
  static constexpr int SAMPLES_PER_LINE = 2;
  static Value lerp(Value a, Value b, float t) { return _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), _mm_set1_ps(t))); }
  static Value read(HSQUIRRELVM vm, SQInteger idx) { return sqbind::read_script_color(vm, idx); }
  static void push(HSQUIRRELVM vm, Value v) { sqbind::push_vec4f(vm, v); }
  static void append(std::string& out, Value v) {
    alignas(16) float f[4];
    _mm_store_ps(f, v);
    char buf[160];
    snprintf(buf, sizeof buf, " make4f(%g, %g, %g, %g),", f[0], f[1], f[2], f[3]);
    out += buf;
  }
};

template <>
struct RampKind<FloatRamp> {
  using Value = float;
  using Arg = float;
  static constexpr const char* NAME = "FloatRamp";
  static constexpr int SAMPLES_PER_LINE = 8;
  static Value lerp(Value a, Value b, float t) { return a + (b - a) * t; }
  static Value read(HSQUIRRELVM vm, SQInteger idx) { return sqbind::SqArg<float>::get(vm, idx); }
  static void push(HSQUIRRELVM vm, Value v) { sq_pushfloat(vm, v); }
  static void append(std::string& out, Value v) {
    char buf[48];
    snprintf(buf, sizeof buf, " %g,", v);
    out += buf;
  }
};

template <class Ramp>
using Value = typename RampKind<Ramp>::Value;

SQInteger release_ramp(SQUserPointer p, SQInteger) {
  dlfree(p);
  return 0;
}

template <class Ramp>
Ramp* new_ramp() {
  auto* r = static_cast<Ramp*>(dlmalloc(sizeof(Ramp)));
  if (!r) throw sqbind::SquirrelError("out of memory for a ramp");
  return r;
}

// Pushes a new script instance owning r (freed with it).
template <class Ramp>
SQInteger push_new_ramp(HSQUIRRELVM vm, Ramp* r) {
  try {
    sqbind::push_instance(vm, r, sqbind::class_tag<Ramp>(), RampKind<Ramp>::NAME, release_ramp);
  } catch (...) {
    dlfree(r);
    throw;
  }
  return 1;
}

// Pushes a new ramp with sample i = sample(i).
template <class Ramp, class F>
SQInteger make_ramp(HSQUIRRELVM vm, F&& sample) {
  Ramp* r = new_ramp<Ramp>();
  for (int i = 0; i < RAMP_SAMPLES; i++) r->samples[i] = sample(i);
  return push_new_ramp(vm, r);
}

template <class Ramp>
Value<Ramp> arg(HSQUIRRELVM vm, SQInteger idx) {
  if (sq_gettop(vm) < idx) throw sqbind::SquirrelError("wrong number of parameters");
  return RampKind<Ramp>::read(vm, idx);
}

// sample i = f(i / 256)
template <class Ramp>
SQInteger ramp_constructor(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    SQObjectType t = sq_gettop(vm) >= 2 ? sq_gettype(vm, 2) : OT_NULL;
    if (t != OT_CLOSURE && t != OT_NATIVECLOSURE) sqbind::throw_type_error();
    WorldGenPhaseTimer timer(WG_PHASE_CALLBACKS);
    WorldGenCallback f(vm, 2);
    Ramp* r = new_ramp<Ramp>();
    try {
      for (int i = 0; i < RAMP_SAMPLES; i++) {
        f.begin();
        sq_pushfloat(vm, float(i) / 256.0f);
        f.call(1);
        r->samples[i] = RampKind<Ramp>::read(vm, -1);
        f.end();
      }
      sqbind::init_instance(r, vm, release_ramp);
    } catch (...) {
      dlfree(r);
      throw;
    }
    return 0;
  });
}

template <class Ramp>
SQInteger const_ramp(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    Value<Ramp> k = arg<Ramp>(vm, 2);
    return make_ramp<Ramp>(vm, [&](int) { return k; });
  });
}

template <class Ramp>
SQInteger linear_ramp(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    Value<Ramp> k0 = arg<Ramp>(vm, 2), k1 = arg<Ramp>(vm, 3);
    return make_ramp<Ramp>(vm, [&](int i) { return RampKind<Ramp>::lerp(k0, k1, float(i) / 256.0f); });
  });
}

float smooth_step(float x) { return (3.0f - 2.0f * x) * x * x; }

template <class Ramp>
SQInteger fade_in_out_ramp(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    using K = RampKind<Ramp>;
    Value<Ramp> k0 = arg<Ramp>(vm, 2), k1 = arg<Ramp>(vm, 3), k2 = arg<Ramp>(vm, 4);
    if (sq_gettop(vm) < 6) throw sqbind::SquirrelError("wrong number of parameters");
    float t_in = sqbind::SqArg<float>::get(vm, 5), t_out = sqbind::SqArg<float>::get(vm, 6);
    return make_ramp<Ramp>(vm, [&](int i) {
      float t = float(i) / 256.0f;
      if (t < t_in) return K::lerp(k0, k1, smooth_step(t / t_in));
      if (t > 1.0f - t_out) return K::lerp(k1, k2, smooth_step((t - (1.0f - t_out)) / t_out));
      return k1;
    });
  });
}

template <class Ramp>
SQInteger dump_ramp(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    Ramp* r = sqbind::SqArg<Ramp*>::get(vm, 1);
    const char* name = sqbind::SqArg<const char*>::get(vm, 2);
    using K = RampKind<Ramp>;
    std::string text = std::string("\nstatic ") + K::NAME + " " + name + "=\n{\n";
    for (int i = 0; i < RAMP_SAMPLES; i++) {
      K::append(text, r->samples[i]);
      if (i % K::SAMPLES_PER_LINE == K::SAMPLES_PER_LINE - 1) text += "\n";
    }
    text += "\n};\n";
    if (SQPRINTFUNCTION print = sq_getprintfunc(vm)) print(vm, "%s", text.c_str());
    return 0;
  });
}

template <class Ramp>
void bind_ramp_class(HSQUIRRELVM vm) {
  sqbind::SqClassBinder<Ramp> cls(vm, RampKind<Ramp>::NAME);
  bind_raw_native(vm, cls.cls, "constructor", ramp_constructor<Ramp>);
  cls.method("get", &Ramp::lookup);
  bind_raw_native(vm, cls.cls, "dump", dump_ramp<Ramp>);
  bind_raw_native(vm, cls.cls, "constRamp", const_ramp<Ramp>);
  bind_raw_native(vm, cls.cls, "linear", linear_ramp<Ramp>);
  bind_raw_native(vm, cls.cls, "fadeInOut", fade_in_out_ramp<Ramp>);
}

}  // namespace

void bind_world_gen_ramps(HSQUIRRELVM vm) {
  bind_ramp_class<ColorRamp>(vm);
  bind_ramp_class<FloatRamp>(vm);
}
