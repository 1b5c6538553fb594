#pragma once
// The one error path of the binding layer: every failure while scripts run
// becomes a sqbind::SquirrelError that the host operation which started the
// script call catches and shows.
#include <memory>
#include "squirrel.h"

namespace sqbind {

class SquirrelError {
 public:
  // The message text; always valid for the life of the error (it owns a copy,
  // so a machine that resets its last error cannot pull it away).
  const char* desc;

  explicit SquirrelError(const char* text);
  // The machine's last error, "unknown error" when there is none or it is not
  // a string.
  explicit SquirrelError(HSQUIRRELVM vm);

  const char* what() const { return desc; }

 private:
  std::shared_ptr<char[]> text_;
  void setText(const char* text);
};

// Host errors cannot unwind through the machine. A trampoline that catches one
// hands its text to the machine as a script error (note_host_error returns
// the value for the native to return); the host-side caller that sees its
// sq_call fail then takes it back and throws it again with the same text.
SQRESULT note_host_error(HSQUIRRELVM vm, const char* text);
// Forget any host error (and error place) noted before a new script call
// starts.
void clear_host_error();
// The machine's error handler notes where an error no script caught was
// raised: the innermost script function with a line.
void note_script_error_place(HSQUIRRELVM vm);
// What a failed script call shows: the machine's last error, then where the
// script raised it when the handler noted that since the call started
// ("<error>\nat <file> line <n> in <function>()").
SquirrelError script_call_error(HSQUIRRELVM vm);
// After a failed sq_call: throws the noted host error when it is what made
// the call fail; otherwise returns and the caller reports its own failure.
void rethrow_host_error(HSQUIRRELVM vm);

}  // namespace sqbind
