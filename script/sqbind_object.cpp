#include "script/sqbind_object.h"
#include "core/debug.h"
#include "script/sqbind_error.h"

namespace sqbind {

static const char* TYPE_ERROR = "sq_get*() failed (type error)";

SqObject& SqObject::operator=(const SqObject& other) {
  if (this == &other) return *this;
  release();
  object = other.object;
  vm = other.vm;
  if (vm) sq_addref(vm, &object);
  return *this;
}

SqObject& SqObject::operator=(SqObject&& other) noexcept {
  if (this == &other) return *this;
  release();
  object = other.object;
  vm = other.vm;
  sq_resetobject(&other.object);
  other.vm = nullptr;
  return *this;
}

void SqObject::release() {
  if (vm) sq_release(vm, &object);
  sq_resetobject(&object);
  vm = nullptr;
}

bool SqObject::fromStack(HSQUIRRELVM v, SQInteger idx) {
  release();
  HSQOBJECT o;
  if (SQ_FAILED(sq_getstackobj(v, idx, &o))) return false;
  object = o;
  vm = v;
  sq_addref(vm, &object);
  return true;
}

void SqObject::assignWeak(const SqObject& src) {
  if (this == &src) return;
  if (src.isWeak() || !src.vm) {
    *this = src;
    return;
  }
  HSQUIRRELVM v = src.vm;
  src.push(v);
  sq_weakref(v, -1);
  fromStack(v, -1);
  sq_pop(v, 2);
}

bool SqObject::pushTarget(HSQUIRRELVM v) const {
  sq_pushobject(v, object);
  if (object._type != OT_WEAKREF) return true;
  if (SQ_FAILED(sq_getweakrefval(v, -1))) {
    sq_poptop(v);
    return false;
  }
  sq_remove(v, -2);
  return true;
}

HSQUIRRELVM SqObject::machine() const {
  if (!vm) throw SquirrelError("no script value held");
  return vm;
}

SqObject SqObject::getSlot(const char* name) const {
  HSQUIRRELVM v = machine();
  SQInteger top = sq_gettop(v);
  if (!pushTarget(v)) throw SquirrelError("SqObject: can't deref weakptr to object");
  sq_pushstring(v, name, -1);
  if (SQ_FAILED(sq_get(v, -2))) {
    sq_settop(v, top);
    debug("getSlot '%s' failed", name);
    throw SquirrelError(v);
  }
  SqObject result(v, -1);
  sq_settop(v, top);
  return result;
}

const char* SqObject::getSlotString(const char* name) const {
  SqObject slot = getSlot(name);
  // The text lives in the machine as long as the slot still holds it.
  if (slot.type() != OT_STRING) throw SquirrelError(TYPE_ERROR);
  return slot.toString();
}

SqObject SqObject::operator[](int index) const {
  HSQUIRRELVM v = machine();
  SQInteger top = sq_gettop(v);
  if (!pushTarget(v)) throw SquirrelError("SqObject: can't deref weakptr to object");
  sq_pushinteger(v, index);
  if (SQ_FAILED(sq_get(v, -2))) {
    sq_settop(v, top);
    throw SquirrelError(v);
  }
  SqObject result(v, -1);
  sq_settop(v, top);
  return result;
}

int SqObject::size() const {
  if (!vm) return -1;
  push(vm);
  int n = sq_getsize(vm, -1);
  sq_poptop(vm);
  return n;
}

bool getGlobal(HSQUIRRELVM vm, const char* name) {
  SQInteger top = sq_gettop(vm);
  sq_pushroottable(vm);
  sq_pushstring(vm, name, -1);
  if (SQ_FAILED(sq_get(vm, -2))) {
    sq_settop(vm, top);
    debug("getGlobal '%s' failed", name);
    throw SquirrelError(vm);
  }
  SQBool b = SQFalse;
  sq_tobool(vm, -1, &b);
  sq_settop(vm, top);
  return b != SQFalse;
}

SQUserPointer getReg(HSQUIRRELVM vm, const char* name) {
  SQInteger top = sq_gettop(vm);
  sq_pushregistrytable(vm);
  sq_pushstring(vm, name, -1);
  if (SQ_FAILED(sq_get(vm, -2))) {
    sq_settop(vm, top);
    debug("getReg '%s' failed", name);
    throw SquirrelError(vm);
  }
  SQUserPointer p = nullptr;
  SQRESULT res = sq_getuserpointer(vm, -1, &p);
  sq_settop(vm, top);
  if (SQ_FAILED(res)) throw SquirrelError(TYPE_ERROR);
  return p;
}

void setReg(HSQUIRRELVM vm, const char* name, SQUserPointer p) {
  sq_pushregistrytable(vm);
  sq_pushstring(vm, name, -1);
  sq_pushuserpointer(vm, p);
  SQRESULT res = sq_newslot(vm, -3, SQFalse);
  sq_poptop(vm);
  ASSERT(SQ_SUCCEEDED(res));
}

}  // namespace sqbind
