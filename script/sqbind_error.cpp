#include "script/sqbind_error.h"
#include <cstring>
#include <string>
#include "core/paths.h"

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

// Where the last uncaught script error was raised; empty when none was
// since the current call started.
static std::string error_place;

void clear_host_error() {
  has_pending_host_error = false;
  error_place.clear();
}

void note_script_error_place(HSQUIRRELVM vm) {
  error_place.clear();
  SQStackInfos si;
  for (SQInteger level = 1; SQ_SUCCEEDED(sq_stackinfos(vm, level, &si)); level++) {
    if (si.line <= 0) continue;  // a native function
    // Program files by the name they have in the game's folder.
    const char* source = si.source ? si.source : "?";
    size_t base = strlen(app_path);
    if (base && !strncmp(source, app_path, base)) source += base;
    error_place = "at " + std::string(source) + " line " + std::to_string(si.line) + " in " +
                  (si.funcname ? si.funcname : "?") + "()";
    return;
  }
}

SquirrelError script_call_error(HSQUIRRELVM vm) {
  SquirrelError error(vm);
  if (error_place.empty()) return error;
  return SquirrelError((std::string(error.desc) + "\n" + error_place).c_str());
}

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
