#pragma once
// sqbind::SqFunc<R>: a script function and the environment (`this`) it runs
// in, callable from host code with typed arguments. R is the result type
// (void for none). The environment is held weakly: the function turns null
// when its table, class or instance dies.
#include "script/sqbind_types.h"

namespace sqbind {

// Binding and the null test do not depend on R.
class SqFuncBase {
 public:
  HSQUIRRELVM vm = nullptr;  // machine of the function; null when unbound
  SqObject env;              // weak reference to the environment
  SqObject func;             // the function value; empty when not found

  // Looks name up in environment; a missing name is not an error here
  // (the function is then null).
  void bind(HSQUIRRELVM v, const SqObject& environment, const char* name);
  // The same with the root table as the environment.
  void bindRoot(HSQUIRRELVM v, const char* name);
  // Null: nothing to call (no function, no environment, or the environment
  // died). Callers check this before calling.
  bool isNull() const;
  void release();

 protected:
  // Pushes func and the environment's target; throws when that is gone.
  void pushCallee() const;
  // Runs the pushed call with nargs arguments; on failure restores the stack
  // to top and throws.
  void call(SQInteger top, int nargs, bool retval) const;
};

template <class R = void>
class SqFunc : public SqFuncBase {
  // The result is popped before returning: a text or an instance (and the
  // host object its release hook frees) could die with it.
  static_assert(!std::is_pointer_v<R>, "read text and instance results as SqObject");

 public:
  template <class... A>
  R operator()(const A&... args) const {
    SQInteger top = sq_gettop(vm);
    pushCallee();
    try {
      (SqArgOf<A>::push(vm, args), ...);
    } catch (...) {
      sq_settop(vm, top);
      throw;
    }
    if constexpr (std::is_void_v<R>) {
      call(top, int(sizeof...(A)), false);
      sq_settop(vm, top);
    } else {
      call(top, int(sizeof...(A)), true);
      struct RestoreTop {
        HSQUIRRELVM v;
        SQInteger top;
        ~RestoreTop() { sq_settop(v, top); }
      } restore{vm, top};
      return SqArgOf<R>::get(vm, -1);
    }
  }
};

}  // namespace sqbind
