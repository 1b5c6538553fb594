#pragma once
// How host values cross into and out of a script machine: one SqArg<T> per
// host type, with `get` (read stack index idx, throw SquirrelError on a type
// mismatch) and `push`. Class tags identify bound host classes.
#include <xmmintrin.h>
#include <type_traits>
#include "script/sqbind_error.h"
#include "script/sqbind_object.h"

// __m128 is marshalled as a template argument, where GCC drops its alignment
// attribute (harmless here: values are copied by intrinsics). Left off for
// the rest of the translation unit, since SqFunc<__m128> and bound
// signatures taking __m128 are formed in the including code.
#pragma GCC diagnostic ignored "-Wignored-attributes"

// Host class of the script class "vec4f": four floats.
struct SqVec4f;

namespace sqbind {

// The tag of host class T is the address of ClassTag<T>::uniqueTag; it is the
// class's type tag in every machine and its key in the registry table.
template <class T>
struct ClassTag {
  static int uniqueTag;
};
template <class T>
int ClassTag<T>::uniqueTag;

template <class T>
inline SQUserPointer class_tag() {
  return &ClassTag<std::remove_cv_t<T>>::uniqueTag;
}

extern const char* const TYPE_ERROR_TEXT;      // "sq_get*() failed (type error)"
extern const char* const GET_INST_ERROR_TEXT;  // "getInst: invalid argument type"
[[noreturn]] void throw_type_error();
[[noreturn]] void throw_inst_error();

// Pushes a new instance of the class registered for tag, carrying host
// pointer p and release hook (null: the host keeps ownership). A null p
// pushes null. Throws SquirrelError (stack unchanged) when it fails.
bool push_instance(HSQUIRRELVM vm, void* p, SQUserPointer tag, const char* className, SQRELEASEHOOK hook);
// Inside a constructor: gives the new instance (stack index 1) its host
// pointer and release hook. Throws SquirrelError when it fails.
bool init_instance(void* p, HSQUIRRELVM vm, SQRELEASEHOOK hook);
// Name given to create_class for tag, for messages ("?" when unknown);
// create_class records it.
void register_class_name(SQUserPointer tag, const char* name);
const char* class_name_for_tag(SQUserPointer tag);

// Pushes a new "vec4f" instance holding v.
void push_vec4f(HSQUIRRELVM vm, __m128 v);
// Pushes "vec4f" instances with the class looked up once: for natives that
// hand vectors to a script function cell after cell. Lives within one
// native call (the registry keeps the class alive meanwhile); while it
// lives, push_vec4f on the same machine (natives the script calls from
// those functions) uses its look-up too.
class Vec4fPusher {
 public:
  explicit Vec4fPusher(HSQUIRRELVM vm);
  ~Vec4fPusher();
  Vec4fPusher(const Vec4fPusher&) = delete;
  Vec4fPusher& operator=(const Vec4fPusher&) = delete;
  // Throws SquirrelError (stack unchanged) when it fails.
  void push(__m128 v) const;

 private:
  friend void push_vec4f(HSQUIRRELVM vm, __m128 v);
  HSQUIRRELVM vm_;
  HSQOBJECT cls_;
  const Vec4fPusher* outer_;
};
// Reads a "vec4f" instance; false when the value is not one.
bool get_vec4f(HSQUIRRELVM vm, SQInteger idx, __m128* out);

// A bound-class pointer parameter that also accepts a script null.
template <class T>
struct Nullable {
  T* ptr;
  Nullable(T* p = nullptr) : ptr(p) {}
  operator T*() const { return ptr; }
  T* operator->() const { return ptr; }
};

template <class T, class Enable = void>
struct SqArg;  // no marshalling for this host type

template <>
struct SqArg<int> {
  static int get(HSQUIRRELVM v, SQInteger idx) {
    SQInteger i;
    if (SQ_FAILED(sq_getinteger(v, idx, &i))) throw_type_error();
    return i;
  }
  static void push(HSQUIRRELVM v, int x) { sq_pushinteger(v, x); }
};

template <>
struct SqArg<unsigned> {
  static unsigned get(HSQUIRRELVM v, SQInteger idx) { return unsigned(SqArg<int>::get(v, idx)); }
  static void push(HSQUIRRELVM v, unsigned x) { sq_pushinteger(v, SQInteger(x)); }
};

template <class T>
struct SqArg<T, std::enable_if_t<std::is_enum_v<T>>> {
  static T get(HSQUIRRELVM v, SQInteger idx) { return T(SqArg<int>::get(v, idx)); }
  static void push(HSQUIRRELVM v, T x) { sq_pushinteger(v, SQInteger(x)); }
};

template <>
struct SqArg<float> {
  static float get(HSQUIRRELVM v, SQInteger idx) {
    SQFloat f;
    if (SQ_FAILED(sq_getfloat(v, idx, &f))) throw_type_error();
    return f;
  }
  static void push(HSQUIRRELVM v, float x) { sq_pushfloat(v, x); }
};

template <>
struct SqArg<bool> {
  static bool get(HSQUIRRELVM v, SQInteger idx) {
    SQBool b = SQFalse;
    sq_tobool(v, idx, &b);
    return b != SQFalse;
  }
  static void push(HSQUIRRELVM v, bool x) { sq_pushbool(v, x ? SQTrue : SQFalse); }
};

template <>
struct SqArg<const char*> {
  static const char* get(HSQUIRRELVM v, SQInteger idx) {
    const SQChar* s;
    if (SQ_FAILED(sq_getstring(v, idx, &s))) throw_type_error();
    return s;
  }
  static void push(HSQUIRRELVM v, const char* x) { sq_pushstring(v, x, -1); }
};

template <>
struct SqArg<SqObject> {
  static SqObject get(HSQUIRRELVM v, SQInteger idx) { return SqObject(v, idx); }
  static void push(HSQUIRRELVM v, const SqObject& x) { sq_pushobject(v, x.object); }
};

template <>
struct SqArg<__m128> {
  static __m128 get(HSQUIRRELVM v, SQInteger idx) {
    __m128 r;
    if (!get_vec4f(v, idx, &r)) throw_type_error();
    return r;
  }
  static void push(HSQUIRRELVM v, __m128 x) { push_vec4f(v, x); }
};

// Pointer to a bound host class: the instance's host pointer, checked
// against the class's tag (or a subclass's).
template <class T>
struct SqArg<T*, std::enable_if_t<std::is_class_v<T>>> {
  static T* get(HSQUIRRELVM v, SQInteger idx) {
    SQUserPointer p = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, idx, &p, class_tag<T>())) || !p) throw_inst_error();
    return static_cast<T*>(p);
  }
  static void push(HSQUIRRELVM v, T* x) {
    SQUserPointer tag = class_tag<T>();
    push_instance(v, const_cast<std::remove_cv_t<T>*>(x), tag, class_name_for_tag(tag), nullptr);
  }
};

template <class T>
struct SqArg<Nullable<T>> {
  static Nullable<T> get(HSQUIRRELVM v, SQInteger idx) {
    if (sq_gettype(v, idx) == OT_NULL) return Nullable<T>();
    return Nullable<T>(SqArg<T*>::get(v, idx));
  }
  static void push(HSQUIRRELVM v, Nullable<T> x) { SqArg<T*>::push(v, x.ptr); }
};

// Values are marshalled by their plain type: const T& as T, texts of any
// kind as const char*.
template <class T>
using SqArgKey = std::conditional_t<std::is_same_v<std::decay_t<T>, char*>, const char*, std::decay_t<T>>;
template <class T>
using SqArgOf = SqArg<SqArgKey<T>>;

}  // namespace sqbind
