#pragma once
// Vectors and colours as scripts write them. A vector argument may be a
// number v (v, v, v, v), an array (its elements 0..3) or a "vec4f"; a colour
// argument may also be an integer packed as 0xAARRGGBB. Colours go back to
// scripts packed.
#include "script/sqbind_types.h"

namespace sqbind {

struct ScriptVec {
  __m128 v;
};
struct ScriptColor {
  __m128 v;  // r, g, b, a in 0..1
};

// (R/255, G/255, B/255, A/255) of a packed 0xAARRGGBB colour.
__m128 unpack_color(unsigned packed);
// Each channel clamped to 0..1, scaled by 255 and rounded to nearest (ties
// to even), packed as 0xAARRGGBB.
unsigned pack_color(__m128 color);

// The vector conversion of the value at idx; throws SquirrelError
// ("getInst: invalid argument type" for a value of another kind).
__m128 read_script_vec(HSQUIRRELVM vm, SQInteger idx);
// The colour conversion: integers unpacked, anything else as a vector.
__m128 read_script_color(HSQUIRRELVM vm, SQInteger idx);

template <>
struct SqArg<ScriptVec> {
  static ScriptVec get(HSQUIRRELVM v, SQInteger idx) { return {read_script_vec(v, idx)}; }
  static void push(HSQUIRRELVM v, ScriptVec x) { push_vec4f(v, x.v); }
};

template <>
struct SqArg<ScriptColor> {
  static ScriptColor get(HSQUIRRELVM v, SQInteger idx) { return {read_script_color(v, idx)}; }
  static void push(HSQUIRRELVM v, ScriptColor x) { sq_pushinteger(v, SQInteger(pack_color(x.v))); }
};

}  // namespace sqbind
