#include "script/sqbind_vm.h"
#include "script/script_time_limits.h"
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include "core/debug.h"
#include "core/streams.h"
#include "script/sqbind_error.h"

namespace sqbind {

void print_func(HSQUIRRELVM, const SQChar* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  vdebug(fmt, args);
  va_end(args);
  fflush(stdout);
}

void compile_error_reporter(HSQUIRRELVM vm, const SQChar* desc, const SQChar* source, SQInteger line,
                            SQInteger column) {
  SQPRINTFUNCTION pf = sq_getprintfunc(vm);
  if (pf) pf(vm, "bin/%s(%d,%d): error: %s\n", source, line, column, desc);
}

// Frames of the call stack whose locals are listed.
static const int REPORTED_LOCAL_LEVELS = 20;

static void print_local(HSQUIRRELVM vm, SQPRINTFUNCTION pf, const SQChar* name) {
  switch (sq_gettype(vm, -1)) {
    case OT_NULL: pf(vm, "[%s] NULL\n", name); break;
    case OT_INTEGER: {
      SQInteger i = 0;
      sq_getinteger(vm, -1, &i);
      pf(vm, "[%s] %d\n", name, i);
      break;
    }
    case OT_FLOAT: {
      SQFloat f = 0;
      sq_getfloat(vm, -1, &f);
      pf(vm, "[%s] %.14g\n", name, double(f));
      break;
    }
    case OT_BOOL: {
      SQBool b = SQFalse;
      sq_getbool(vm, -1, &b);
      pf(vm, "[%s] %s\n", name, b ? "true" : "false");
      break;
    }
    case OT_STRING: {
      const SQChar* s = "";
      sq_getstring(vm, -1, &s);
      pf(vm, "[%s] \"%s\"\n", name, s);
      break;
    }
    case OT_USERPOINTER: pf(vm, "[%s] USERPOINTER\n", name); break;
    case OT_TABLE: pf(vm, "[%s] TABLE\n", name); break;
    case OT_ARRAY: pf(vm, "[%s] ARRAY\n", name); break;
    case OT_CLOSURE: pf(vm, "[%s] CLOSURE\n", name); break;
    case OT_NATIVECLOSURE: pf(vm, "[%s] NATIVECLOSURE\n", name); break;
    case OT_GENERATOR: pf(vm, "[%s] GENERATOR\n", name); break;
    case OT_USERDATA: pf(vm, "[%s] USERDATA\n", name); break;
    case OT_THREAD: pf(vm, "[%s] THREAD\n", name); break;
    case OT_CLASS: pf(vm, "[%s] CLASS\n", name); break;
    case OT_INSTANCE: pf(vm, "[%s] INSTANCE\n", name); break;
    case OT_WEAKREF: pf(vm, "[%s] WEAKREF\n", name); break;
    default: break;
  }
}

SQInteger runtime_error_reporter(HSQUIRRELVM vm) {
  note_script_error_place(vm);
  SQPRINTFUNCTION pf = sq_getprintfunc(vm);
  if (!pf) return 0;
  const SQChar* error = "unknown";
  if (sq_gettop(vm) < 2 || SQ_FAILED(sq_getstring(vm, 2, &error))) error = "unknown";

  pf(vm, "\nCALLSTACK\n");
  SQStackInfos si;
  for (SQInteger level = 1; SQ_SUCCEEDED(sq_stackinfos(vm, level, &si)); level++) {
    const SQChar* fn = si.funcname ? si.funcname : "unknown";
    const SQChar* src = si.source ? si.source : "unknown";
    if (level == 1)
      pf(vm, "bin/%s(%d): ERROR: %s (in %s())\n", src, si.line, error, fn);
    else
      pf(vm, "bin/%s(%d): function %s() (CALLSTACK)\n", src, si.line, fn);
  }

  pf(vm, "\nLOCALS\n");
  for (SQUnsignedInteger level = 0; level < REPORTED_LOCAL_LEVELS; level++) {
    if (level > 0 && SQ_FAILED(sq_stackinfos(vm, SQInteger(level), &si))) break;
    const SQChar* name;
    for (SQUnsignedInteger i = 0; (name = sq_getlocal(vm, level, i)) != nullptr; i++) {
      print_local(vm, pf, name);
      sq_poptop(vm);
    }
  }
  return 0;
}

HSQUIRRELVM open_vm(int initialStackSize) {
  HSQUIRRELVM vm = sq_open(initialStackSize);
  if (!vm) return nullptr;
  sq_setprintfunc(vm, print_func, print_func);
  sq_setcompilererrorhandler(vm, compile_error_reporter);
  sq_newclosure(vm, runtime_error_reporter, 0);
  sq_seterrorhandler(vm);
  sq_setcalltimelimit(vm, script_update_seconds());
  return vm;
}

void close_vm(HSQUIRRELVM vm) {
  if (!vm) return;
  sq_collectgarbage(vm);
  sq_close(vm);
}

bool compile_file(HSQUIRRELVM vm, const char* path) {
  FILE* f = open_data_file(path, "rb");
  if (!f) return false;
  long size = -1;
  if (fseek(f, 0, SEEK_END) == 0) size = ftell(f);
  if (size < 0 || fseek(f, 0, SEEK_SET) != 0) {
    fclose(f);
    return false;
  }
  // One byte more than the file so that an empty file still gets a buffer.
  char* buffer = static_cast<char*>(malloc(size_t(size) + 1));
  if (!buffer) {
    fclose(f);
    return false;
  }
  size_t got = fread(buffer, 1, size_t(size), f);
  fclose(f);
  bool ok = false;
  if (got == size_t(size)) ok = SQ_SUCCEEDED(sq_compilebuffer(vm, buffer, SQInteger(size), path, SQTrue));
  free(buffer);
  return ok;
}

bool run_file(HSQUIRRELVM vm, const char* path) {
  clear_host_error();
  if (!compile_file(vm, path)) return false;
  ScriptTimeLimit limit(vm, script_load_seconds());
  sq_pushroottable(vm);
  bool ok = SQ_SUCCEEDED(sq_call(vm, 1, SQFalse, SQTrue));
  sq_poptop(vm);
  if (ok) {
    clear_host_error();
  } else {
    rethrow_host_error(vm);
  }
  return ok;
}

void sq_debug_object(HSQUIRRELVM vm, SqObject value) {
  switch (value.type()) {
    case OT_NATIVECLOSURE:
      // The API gives no way to the C function; the closure's own address
      // identifies it.
      debug("(native func %p)", static_cast<void*>(value.object._unVal.pNativeClosure));
      break;
    case OT_INSTANCE: {
      SQUserPointer up = nullptr;
      value.push(vm);
      sq_getinstanceup(vm, -1, &up, nullptr);
      sq_poptop(vm);
      debug("(instance UP=%p hook=%p)", up, static_cast<void*>(nullptr));
      break;
    }
    case OT_STRING: debug("%s", value.toString()); break;
    default: {
      value.push(vm);
      const SQChar* text = "?";
      bool converted = SQ_SUCCEEDED(sq_tostring(vm, -1));
      if (converted) sq_getstring(vm, -1, &text);
      debug("%s", text);
      sq_pop(vm, converted ? 2 : 1);
      break;
    }
  }
}

}  // namespace sqbind
