#include "script/sqbind_error.h"
#include <cstring>
#include <string>

namespace sqbind {

SquirrelError::SquirrelError(const char* text) { setText(text ? text : "unknown error"); }

SquirrelError::SquirrelError(HSQUIRRELVM vm) {
  const char* text = nullptr;
  if (vm) {
    sq_getlasterror(vm);
    if (sq_gettype(vm, -1) != OT_STRING || SQ_FAILED(sq_getstring(vm, -1, &text))) text = nullptr;
    setText(text ? text : "unknown error");
    sq_poptop(vm);
  } else {
    setText("unknown error");
  }
}

void SquirrelError::setText(const char* text) {
  size_t len = strlen(text);
  text_ = std::shared_ptr<char[]>(new char[len + 1]);
  memcpy(text_.get(), text, len + 1);
  desc = text_.get();
}

// Everything runs on the main thread; one pending error is enough because a
// noted error is taken back by the innermost host call that is unwinding.
static std::string pending_host_error;
static bool has_pending_host_error = false;

SQRESULT note_host_error(HSQUIRRELVM vm, const char* text) {
  pending_host_error = text ? text : "unknown error";
  has_pending_host_error = true;
  return sq_throwerror(vm, pending_host_error.c_str());
}

void clear_host_error() { has_pending_host_error = false; }

void rethrow_host_error(HSQUIRRELVM vm) {
  if (!has_pending_host_error) return;
  has_pending_host_error = false;
  // A script may have caught the host error and failed later for a reason
  // of its own: only an unchanged last error is still ours.
  const char* last = nullptr;
  sq_getlasterror(vm);
  bool same = sq_gettype(vm, -1) == OT_STRING && SQ_SUCCEEDED(sq_getstring(vm, -1, &last)) &&
              pending_host_error == last;
  sq_poptop(vm);
  if (same) throw SquirrelError(pending_host_error.c_str());
}

}  // namespace sqbind
