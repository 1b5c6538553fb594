#pragma once
// sqbind::SqObject: one script value held by the host, with a reference
// counted by the machine while `vm` is set.
#include "squirrel.h"

namespace sqbind {

class SqObject {
 public:
  HSQOBJECT object;
  HSQUIRRELVM vm = nullptr;  // machine holding our reference; null = none held

  SqObject() { sq_resetobject(&object); }
  // Takes the value at stack index idx; stays empty if it can't be read.
  SqObject(HSQUIRRELVM v, SQInteger idx) {
    sq_resetobject(&object);
    fromStack(v, idx);
  }
  SqObject(const SqObject& other) : object(other.object), vm(other.vm) {
    if (vm) sq_addref(vm, &object);
  }
  SqObject(SqObject&& other) noexcept : object(other.object), vm(other.vm) {
    sq_resetobject(&other.object);
    other.vm = nullptr;
  }
  SqObject& operator=(const SqObject& other);
  SqObject& operator=(SqObject&& other) noexcept;
  ~SqObject() { release(); }

  // Drops the reference and empties the handle.
  void release();
  // Replaces the held value by the one at stack index idx (with a reference).
  bool fromStack(HSQUIRRELVM v, SQInteger idx);
  // Holds src as a weak reference (src itself when it already is one).
  void assignWeak(const SqObject& src);

  SQObjectType type() const { return object._type; }
  bool isNull() const { return object._type == OT_NULL; }
  bool isWeak() const { return object._type == OT_WEAKREF; }

  // Pushes the value as it is onto v (or onto our own machine).
  void push(HSQUIRRELVM v) const { sq_pushobject(v, object); }
  void push() const { sq_pushobject(vm, object); }
  // Pushes the value and, when it is a weak reference, its target instead;
  // false (nothing pushed) when the reference can't be followed.
  bool pushTarget(HSQUIRRELVM v) const;
  bool pushTarget() const { return pushTarget(vm); }

  // Host-side reads; each leaves the stack as it found it and throws
  // SquirrelError on failure.
  SqObject getSlot(const char* name) const;          // slot of a table, class or instance
  const char* getSlotString(const char* name) const;  // the same, for a string slot
  SqObject operator[](int index) const;              // element of an array
  int size() const;                                  // sq_getsize of the value

  // Direct reads of the handle; numbers convert, other types give 0 / null.
  int toInt() const { return sq_objtointeger(&object); }
  float toFloat() const { return sq_objtofloat(&object); }
  bool toBool() const { return sq_objtobool(&object) != 0; }
  const char* toString() const { return sq_objtostring(&object); }
  SQUserPointer toUserPointer() const { return sq_objtouserpointer(&object); }

 private:
  HSQUIRRELVM machine() const;
};

// Root-table slot name, by truthiness.
bool getGlobal(HSQUIRRELVM vm, const char* name);
// Registry slot name holding a user pointer.
SQUserPointer getReg(HSQUIRRELVM vm, const char* name);
// Registry slot name := user pointer p (how host parts find their own objects
// from inside a native call).
void setReg(HSQUIRRELVM vm, const char* name, SQUserPointer p);

}  // namespace sqbind
