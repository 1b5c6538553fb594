#include "script/sqbind_bind.h"
#include "core/debug.h"

namespace sqbind {

SqObject create_class(HSQUIRRELVM vm, const char* name, const char* baseName, SQUserPointer tag) {
  SQInteger top = sq_gettop(vm);
  sq_pushroottable(vm);
  sq_pushstring(vm, name, -1);
  sq_pushstring(vm, name, -1);
  bool found = SQ_SUCCEEDED(sq_rawget(vm, -3));
  if (found && sq_gettype(vm, -1) != OT_CLASS) {
    // Something else under that name: the class takes its place.
    sq_poptop(vm);
    found = false;
  }
  if (!found) {
    if (baseName) {
      sq_pushstring(vm, baseName, -1);
      if (SQ_FAILED(sq_rawget(vm, -3)) || sq_gettype(vm, -1) != OT_CLASS)
        fatal("no base class '%s' bound for '%s'", baseName, name);
    }
    if (SQ_FAILED(sq_newclass(vm, baseName ? SQTrue : SQFalse))) {
      sq_pop(vm, 2);
      fatal("can't create class '%s'", name);
    }
  }
  SqObject cls(vm, -1);
  if (SQ_FAILED(sq_settypetag(vm, -1, tag))) {
    sq_pop(vm, 3);
    fatal("can't set type tag for class '%s'", name);
  }
  if (SQ_FAILED(sq_newslot(vm, -3, SQFalse))) fatal("can't register class '%s' in root table", name);
  sq_settop(vm, top);
  sq_pushregistrytable(vm);
  sq_pushuserpointer(vm, tag);
  cls.push(vm);
  if (SQ_FAILED(sq_newslot(vm, -3, SQFalse))) fatal("can't register class '%s' in registry table", name);
  sq_settop(vm, top);
  register_class_name(tag, name);
  return cls;
}

void clear_global(HSQUIRRELVM vm, const char* name) {
  sq_pushroottable(vm);
  sq_pushstring(vm, name, -1);
  sq_pushnull(vm);
  SQRESULT res = sq_newslot(vm, -3, SQFalse);
  sq_poptop(vm);
  ASSERT(SQ_SUCCEEDED(res));
}

void bind_const(HSQUIRRELVM vm, const char* name, int value) {
  sq_pushconsttable(vm);
  sq_pushstring(vm, name, -1);
  sq_pushinteger(vm, value);
  SQRESULT res = sq_newslot(vm, -3, SQFalse);
  sq_poptop(vm);
  ASSERT(SQ_SUCCEEDED(res));
}

namespace {
SQFUNCTION native_guard = nullptr;
bool (*native_guard_picks)(SQFUNCTION fn) = nullptr;
}  // namespace

void set_native_guard(SQFUNCTION guard, bool (*picks)(SQFUNCTION fn)) {
  native_guard = guard;
  native_guard_picks = picks;
}

namespace detail {

void push_bind_target(HSQUIRRELVM vm, const SqObject& target) {
  if (!target.vm) {
    sq_pushroottable(vm);
    return;
  }
  bool ok = target.pushTarget(vm);
  ASSERT(ok);
}

void store_native(HSQUIRRELVM vm, const char* name, SQFUNCTION fn) {
  // stack: target, free variable
  if (native_guard && native_guard_picks(fn)) {
    // The last value pushed becomes the first free variable, which lies
    // below the function's own when the guard runs.
    sq_pushuserpointer(vm, reinterpret_cast<SQUserPointer>(fn));
    sq_newclosure(vm, native_guard, 2);
  } else {
    sq_newclosure(vm, fn, 1);
  }
  sq_setnativeclosurename(vm, -1, name);
  sq_pushstring(vm, name, -1);
  sq_push(vm, -2);
  sq_remove(vm, -3);
  SQRESULT res = sq_newslot(vm, -3, SQFalse);
  ASSERT(SQ_SUCCEEDED(res));
  sq_poptop(vm);
}

}  // namespace detail
}  // namespace sqbind
