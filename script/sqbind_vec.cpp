#include "script/sqbind_vec.h"
#include <emmintrin.h>

namespace sqbind {

__m128 unpack_color(unsigned packed) {
  __m128i channels = _mm_setr_epi32(int((packed >> 16) & 255), int((packed >> 8) & 255), int(packed & 255),
                                    int(packed >> 24));
  return _mm_mul_ps(_mm_cvtepi32_ps(channels), _mm_set1_ps(1.0f / 255.0f));
}

unsigned pack_color(__m128 color) {
  __m128 clamped = _mm_min_ps(_mm_max_ps(color, _mm_setzero_ps()), _mm_set1_ps(1.0f));
  // The default rounding mode rounds to nearest, ties to even.
  __m128i c = _mm_cvtps_epi32(_mm_mul_ps(clamped, _mm_set1_ps(255.0f)));
  alignas(16) int ch[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(ch), c);
  return (unsigned(ch[3]) << 24) | (unsigned(ch[0]) << 16) | (unsigned(ch[1]) << 8) | unsigned(ch[2]);
}

static __m128 read_array_vec(HSQUIRRELVM vm, SQInteger idx) {
  alignas(16) float f[4];
  SQInteger top = sq_gettop(vm);
  sq_push(vm, idx);
  for (int i = 0; i < 4; i++) {
    sq_pushinteger(vm, i);
    if (SQ_FAILED(sq_get(vm, -2)) || SQ_FAILED(sq_getfloat(vm, -1, &f[i]))) {
      sq_settop(vm, top);
      throw_type_error();
    }
    sq_poptop(vm);
  }
  sq_settop(vm, top);
  return _mm_load_ps(f);
}

__m128 read_script_vec(HSQUIRRELVM vm, SQInteger idx) {
  switch (sq_gettype(vm, idx)) {
    case OT_INTEGER:
    case OT_FLOAT: {
      SQFloat f = 0;
      sq_getfloat(vm, idx, &f);
      return _mm_set1_ps(f);
    }
    case OT_ARRAY: return read_array_vec(vm, idx);
    default: {
      __m128 v;
      if (!get_vec4f(vm, idx, &v)) throw_inst_error();
      return v;
    }
  }
}

__m128 read_script_color(HSQUIRRELVM vm, SQInteger idx) {
  if (sq_gettype(vm, idx) == OT_INTEGER) {
    SQInteger packed = 0;
    sq_getinteger(vm, idx, &packed);
    return unpack_color(unsigned(packed));
  }
  return read_script_vec(vm, idx);
}

}  // namespace sqbind
