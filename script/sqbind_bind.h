#pragma once
// Exposing host code to scripts: classes, methods, constructors, functions,
// integer constants and published values. Arguments are unpacked per
// signature with SqArg; a host parameter of type HSQUIRRELVM receives the
// calling machine and takes no script argument.
//
// Host errors thrown while unpacking or inside the host function end the
// whole script call and reach the host operation that started it (see
// note_host_error): the trampolines never let an exception unwind through
// the machine.
#include <array>
#include <exception>
#include <utility>
#include "core/check.h"
#include "script/sqbind_types.h"

namespace sqbind {

// Finds or creates the script class name in the root table (reusing one that
// exists, so binding again into a living machine updates the class), tags it
// and registers it by name in the root table and by tag in the registry.
// Failures are programming errors and stop the program.
SqObject create_class(HSQUIRRELVM vm, const char* name, const char* baseName, SQUserPointer tag);

// Root-table slot name := value (a published host value); see also
// clear_global.
template <class T>
void set_global(HSQUIRRELVM vm, const char* name, const T& value);
void clear_global(HSQUIRRELVM vm, const char* name);

// Const-table slot name := value. Bind before compiling the scripts that use
// it: the compiler substitutes constants.
void bind_const(HSQUIRRELVM vm, const char* name, int value);

namespace detail {

template <class A>
constexpr bool is_vm_param = std::is_same_v<std::remove_cv_t<std::remove_reference_t<A>>, HSQUIRRELVM>;

template <class... A>
constexpr int script_arg_count = (0 + ... + (is_vm_param<A> ? 0 : 1));

// Stack index of each host parameter's script argument (arguments start at 2).
template <class... A>
constexpr std::array<SQInteger, sizeof...(A) + 1> arg_indices() {
  std::array<SQInteger, sizeof...(A) + 1> idx{};
  SQInteger next = 2;
  int i = 0;
  ((idx[i++] = next, next += is_vm_param<A> ? 0 : 1), ...);
  (void)next;
  (void)i;
  return idx;
}

template <class A>
inline decltype(auto) read_arg(HSQUIRRELVM v, SQInteger idx) {
  if constexpr (is_vm_param<A>)
    return v;
  else
    return SqArgOf<A>::get(v, idx);
}

// Calls f with the unpacked arguments and pushes its result; returns what
// the native returns to the machine.
template <class R, class... A, class F, size_t... I>
inline SQInteger invoke(HSQUIRRELVM v, F&& f, std::index_sequence<I...>) {
  constexpr auto idx = arg_indices<A...>();
  (void)idx;
  if constexpr (std::is_void_v<R>) {
    f(read_arg<A>(v, idx[I])...);
    return 0;
  } else {
    SqArgOf<R>::push(v, f(read_arg<A>(v, idx[I])...));
    return 1;
  }
}

// Converts every host exception into a script error that the host call
// which started the script takes back.
template <class Body>
inline SQInteger guarded(HSQUIRRELVM v, Body&& body) {
  try {
    return body();
  } catch (const SquirrelError& e) {
    return note_host_error(v, e.desc);
  } catch (const std::bad_alloc&) {
    return note_host_error(v, "out of memory");
  } catch (const std::exception& e) {
    return note_host_error(v, e.what());
  } catch (...) {
    return note_host_error(v, "unknown error");
  }
}

// Checks the count of script arguments after the free variable was popped.
template <class... A>
inline bool enough_args(HSQUIRRELVM v) {
  return sq_gettop(v) >= 1 + script_arg_count<A...>;
}

template <class R, class... A>
SQInteger func_trampoline(HSQUIRRELVM v) {
  SQUserPointer p = nullptr;
  sq_getuserpointer(v, -1, &p);
  if (!p) return sq_throwerror(v, "no function stored for C++ call");
  sq_poptop(v);
  if (!enough_args<A...>(v)) return sq_throwerror(v, "wrong number of parameters");
  auto f = reinterpret_cast<R (*)(A...)>(p);
  return guarded(v, [&] { return invoke<R, A...>(v, f, std::index_sequence_for<A...>{}); });
}

template <class T, class M, class R, class... A>
SQInteger method_trampoline(HSQUIRRELVM v) {
  SQUserPointer self = nullptr;
  if (SQ_FAILED(sq_getinstanceup(v, 1, &self, class_tag<T>())) || !self)
    return sq_throwerror(v, "invalid 'this' in C++ method call");
  SQUserPointer ud = nullptr;
  if (SQ_FAILED(sq_getuserdata(v, -1, &ud, nullptr)) || !ud) return sq_throwerror(v, "no method stored for C++ call");
  M method = *static_cast<M*>(ud);
  sq_poptop(v);
  if (!enough_args<A...>(v)) return sq_throwerror(v, "wrong number of parameters");
  T* obj = static_cast<T*>(self);
  return guarded(v, [&] {
    return invoke<R, A...>(
        v, [&](auto&&... args) -> R { return (obj->*method)(std::forward<decltype(args)>(args)...); },
        std::index_sequence_for<A...>{});
  });
}

template <class R, class... A>
SQInteger ctor_trampoline(HSQUIRRELVM v) {
  SQUserPointer p = nullptr;
  sq_getuserpointer(v, -1, &p);
  if (!p) return sq_throwerror(v, "no function stored for C++ ctor call");
  sq_poptop(v);
  if (!enough_args<A...>(v)) return sq_throwerror(v, "wrong number of parameters");
  auto factory = reinterpret_cast<R (*)(A...)>(p);
  SQInteger res = guarded(v, [&] {
    invoke<void, A...>(
        v, [&](auto&&... args) { factory(std::forward<decltype(args)>(args)...); }, std::index_sequence_for<A...>{});
    return SQInteger(0);
  });
  if (SQ_FAILED(res)) return res;
  SQUserPointer ptr = nullptr;
  sq_getinstanceup(v, 1, &ptr, nullptr);
  ASSERT(ptr);
  return 0;
}

// Pushes the target (table or class) that a binding writes into; the root
// table for an empty handle.
void push_bind_target(HSQUIRRELVM vm, const SqObject& target);
// Stores the native closure built from fn and its one free variable (on top
// of the stack) as slot name of the target at -2, then pops the target.
// A function the native guard picks is stored behind the guard.
void store_native(HSQUIRRELVM vm, const char* name, SQFUNCTION fn);

}  // namespace detail

// Host functions that `picks` chooses are bound behind `guard`: the stored
// native is the guard, with the function as a user pointer at -2 (below the
// function's own free variable); the guard removes it and runs the function.
// The module host runs the module's functions under its own guard this way
// when scripts call them. Null functions bind every host function directly.
void set_native_guard(SQFUNCTION guard, bool (*picks)(SQFUNCTION fn));

// Host function f as slot name of table (the root table when empty);
// binding the same name again replaces the slot.
template <class R, class... A>
void bind_func(HSQUIRRELVM vm, const SqObject& table, const char* name, R (*f)(A...)) {
  detail::push_bind_target(vm, table);
  sq_pushuserpointer(vm, reinterpret_cast<SQUserPointer>(f));
  detail::store_native(vm, name, &detail::func_trampoline<R, A...>);
}
template <class R, class... A>
void bind_func(HSQUIRRELVM vm, const char* name, R (*f)(A...)) {
  bind_func(vm, SqObject(), name, f);
}

// Member function method as slot name of class cls; `this` must be an
// instance of T's script class (or of a subclass).
template <class T, class M>
void bind_method_of(const SqObject& cls, const char* name, M method);

template <class C, class R, class... A>
void bind_method(const SqObject& cls, const char* name, R (C::*method)(A...)) {
  bind_method_of<C>(cls, name, method);
}
template <class C, class R, class... A>
void bind_method(const SqObject& cls, const char* name, R (C::*method)(A...) const) {
  bind_method_of<C>(cls, name, method);
}

// factory(vm, args...) makes the host object and calls init_instance with a
// release hook that frees it.
template <class R, class... A>
void bind_ctor(const SqObject& cls, R (*factory)(A...)) {
  detail::push_bind_target(cls.vm, cls);
  sq_pushuserpointer(cls.vm, reinterpret_cast<SQUserPointer>(factory));
  detail::store_native(cls.vm, "constructor", &detail::ctor_trampoline<R, A...>);
}

namespace detail {
template <class T, class M>
struct MethodTrampoline;
template <class T, class C, class R, class... A>
struct MethodTrampoline<T, R (C::*)(A...)> {
  static constexpr SQFUNCTION fn = &method_trampoline<T, R (C::*)(A...), R, A...>;
};
template <class T, class C, class R, class... A>
struct MethodTrampoline<T, R (C::*)(A...) const> {
  static constexpr SQFUNCTION fn = &method_trampoline<T, R (C::*)(A...) const, R, A...>;
};
}  // namespace detail

template <class T, class M>
void bind_method_of(const SqObject& cls, const char* name, M method) {
  HSQUIRRELVM vm = cls.vm;
  detail::push_bind_target(vm, cls);
  void* ud = sq_newuserdata(vm, sizeof(M));
  ASSERT(ud);
  memcpy(ud, &method, sizeof(M));
  detail::store_native(vm, name, detail::MethodTrampoline<T, M>::fn);
}

// Creates (or reuses) the script class for host class T and binds members
// into it; the class handle is released when the binder goes out of scope.
template <class T>
class SqClassBinder {
 public:
  HSQUIRRELVM vm;
  SqObject cls;

  SqClassBinder(HSQUIRRELVM v, const char* name, const char* baseName = nullptr)
      : vm(v), cls(create_class(v, name, baseName, class_tag<T>())) {}
  ~SqClassBinder() { cls.release(); }
  SqClassBinder(const SqClassBinder&) = delete;
  SqClassBinder& operator=(const SqClassBinder&) = delete;

  template <class M>
  SqClassBinder& method(const char* name, M m) {
    bind_method_of<T>(cls, name, m);
    return *this;
  }
  template <class R, class... A>
  SqClassBinder& ctor(R (*factory)(A...)) {
    bind_ctor(cls, factory);
    return *this;
  }
  // A host function stored in the class (called with the class or an
  // instance as `this`).
  template <class R, class... A>
  SqClassBinder& func(const char* name, R (*f)(A...)) {
    bind_func(vm, cls, name, f);
    return *this;
  }
};

template <class T>
void set_global(HSQUIRRELVM vm, const char* name, const T& value) {
  sq_pushroottable(vm);
  sq_pushstring(vm, name, -1);
  SqArgOf<T>::push(vm, value);
  SQRESULT res = sq_newslot(vm, -3, SQFalse);
  sq_poptop(vm);
  ASSERT(SQ_SUCCEEDED(res));
}

}  // namespace sqbind
