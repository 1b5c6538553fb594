#pragma once
// Machine life: opening machines with the engine's printer and error
// reporters, compiling and running script files, and the debug print of a
// value.
#include "script/sqbind_object.h"

namespace sqbind {

// A machine whose print and error output go to the log, with the
// compile-error and runtime-error reporters installed; null on failure.
HSQUIRRELVM open_vm(int initialStackSize);
// Collects garbage and closes; nothing for null.
void close_vm(HSQUIRRELVM vm);

// Compiles the whole file, with path as the source name; on success the
// compiled closure is left on the stack. False when the file can't be read
// or doesn't compile (the compile error has been printed).
bool compile_file(HSQUIRRELVM vm, const char* path);
// Compiles and calls the file with the root table as `this`. False when it
// can't be read, compiled or run (the report has been printed). A host error
// raised inside the run is thrown again as SquirrelError.
bool run_file(HSQUIRRELVM vm, const char* path);

// The log printer used for print() and error output.
void print_func(HSQUIRRELVM vm, const SQChar* fmt, ...);
// Prints "bin/<source>(<line>,<column>): error: <desc>".
void compile_error_reporter(HSQUIRRELVM vm, const SQChar* desc, const SQChar* source, SQInteger line,
                            SQInteger column);
// The machine's error handler: the error line, the call stack and the
// locals of the failed call.
SQInteger runtime_error_reporter(HSQUIRRELVM vm);

// Logs a value for script debugging ("debug_object" in the world machine).
void sq_debug_object(HSQUIRRELVM vm, SqObject value);

}  // namespace sqbind
