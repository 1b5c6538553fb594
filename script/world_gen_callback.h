#pragma once
// Calling a script function from inside a native call (mask builders, ramp
// constructors, repaint and apply callbacks): the function runs with the
// root table as `this`, its failure ends the native with the same error.
#include "script/sqbind.h"

class WorldGenCallback {
 public:
  // The function at stack index idx; null is "no function" (isNull).
  WorldGenCallback(HSQUIRRELVM vm, SQInteger idx);
  bool isNull() const { return fn_._type == OT_NULL; }

  // Pushes the function and `this`; push the arguments next, then call.
  void begin() const;
  // Calls with nargs pushed arguments; leaves the result on the stack.
  // Throws SquirrelError with the script's error when it fails.
  void call(int nargs) const;
  // Drops the function and its result.
  void end() const { sq_settop(vm_, top_); }
  // The result left by call, as a float (popped).
  float popFloat() const;

  template <class... A>
  float callFloat(A... args) const {
    begin();
    (sqbind::SqArgOf<A>::push(vm_, args), ...);
    call(int(sizeof...(A)));
    return popFloat();
  }

 private:
  HSQUIRRELVM vm_;
  HSQOBJECT fn_;
  SQInteger top_;
};
