#include "script/sqbind_func.h"

namespace sqbind {

void SqFuncBase::bind(HSQUIRRELVM v, const SqObject& environment, const char* name) {
  release();
  vm = v;
  env.assignWeak(environment);
  SQInteger top = sq_gettop(v);
  if (environment.pushTarget(v)) {
    sq_pushstring(v, name, -1);
    if (SQ_SUCCEEDED(sq_get(v, -2))) func.fromStack(v, -1);
  }
  sq_settop(v, top);
}

void SqFuncBase::bindRoot(HSQUIRRELVM v, const char* name) {
  sq_pushroottable(v);
  SqObject root(v, -1);
  sq_poptop(v);
  bind(v, root, name);
}

bool SqFuncBase::isNull() const {
  if (func.isNull() || env.isNull() || !vm) return true;
  if (!env.isWeak()) return false;
  env.push(vm);
  bool dead = SQ_FAILED(sq_getweakrefval(vm, -1));
  if (!dead) {
    dead = sq_gettype(vm, -1) == OT_NULL;
    sq_poptop(vm);
  }
  sq_poptop(vm);
  return dead;
}

void SqFuncBase::release() {
  env.release();
  func.release();
  vm = nullptr;
}

void SqFuncBase::pushCallee() const {
  if (!vm) throw SquirrelError("SqFunc<> call failed");
  func.push(vm);
  if (!env.pushTarget(vm)) {
    sq_poptop(vm);
    throw SquirrelError("SqFunc: can't deref weakptr to object");
  }
}

void SqFuncBase::call(SQInteger top, int nargs, bool retval) const {
  clear_host_error();
  if (SQ_SUCCEEDED(sq_call(vm, nargs + 1, retval ? SQTrue : SQFalse, SQTrue))) {
    clear_host_error();
    return;
  }
  sq_settop(vm, top);
  rethrow_host_error(vm);
  throw script_call_error(vm);
}

}  // namespace sqbind
