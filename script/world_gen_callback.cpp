#include "script/world_gen_callback.h"

WorldGenCallback::WorldGenCallback(HSQUIRRELVM vm, SQInteger idx) : vm_(vm), top_(sq_gettop(vm)) {
  // The argument slot keeps the function alive for the whole native call.
  sq_getstackobj(vm, idx, &fn_);
}

void WorldGenCallback::begin() const {
  sq_pushobject(vm_, fn_);
  sq_pushroottable(vm_);
}

void WorldGenCallback::call(int nargs) const {
  if (SQ_SUCCEEDED(sq_call(vm_, nargs + 1, SQTrue, SQFalse))) return;
  sq_settop(vm_, top_);
  sqbind::rethrow_host_error(vm_);
  throw sqbind::SquirrelError(vm_);
}

float WorldGenCallback::popFloat() const {
  SQFloat f = 0;
  SQRESULT r = sq_getfloat(vm_, -1, &f);
  sq_settop(vm_, top_);
  if (SQ_FAILED(r)) sqbind::throw_type_error();
  return f;
}
