#pragma once
// Module code runs under a guard, so that a fault in it costs the module and
// not the game: a crash signal (segmentation fault, bus error, arithmetic
// trap, illegal instruction, abort), a C++ exception escaping the module, or
// a call that spends more than its processor-time limit stops the call where
// it is and jumps back to the engine side of it. The call then returns an
// empty result, the fault is recorded, and every further module call is
// skipped until the host has recovered (swapped back to the previous build,
// see gameobj_module.h) at the next frame boundary.
//
// Main thread only. Calls nest (module code calls the engine, which calls
// the module again); a fault ends the innermost guarded call.
#include <setjmp.h>

// One guarded call on the stack. Lives in the caller's frame.
struct ModuleCall {
    sigjmp_buf resume;
    const char* what;   // the module function or operation called
    ModuleCall* outer;  // the guarded call this one runs inside, if any
};

// Sets up the signal handlers, the alternate signal stack and the processor
// time limit of the calling (main) thread; later calls do nothing.
void install_module_call_guard();

// False when a fault waits for recovery: the caller skips the call.
bool begin_module_call(ModuleCall& call, const char* what);
void end_module_call(ModuleCall& call);
// After the jump out of a faulted call.
void module_call_interrupted(ModuleCall& call);
// Inside the handler of an exception that escaped the module.
void module_call_threw(ModuleCall& call);

// Runs body() under the guard; false when it faulted or was skipped.
// Exceptions the engine's interface lets modules throw (script errors)
// pass through unchanged.
template <class Body>
bool run_module_code(const char* what, Body&& body);

// True from a fault until the host has recovered from it.
bool module_fault_pending();
// The fault's description, for the error band and the log ("" without a
// fault); kept until the next fault.
const char* module_fault_message();
// Ends the pending state; the host calls it once it swapped builds.
void clear_module_fault();

// The processor time one outermost module call may spend in module code
// before it counts as hung (default 5 s of the thread's time). Takes effect
// at once.
void set_module_call_time_limit(int msec);

// The code of the mapped module images. The time limit counts only the
// ticks that find the processor in module code, so that engine work a module
// asks for (a world generated from a menu button) is not taken for a hang;
// and a fault's place names the module's own function rather than the engine
// or library code it was in.
void add_module_code_range(const void* begin, const void* end);
void remove_module_code_range(const void* begin);
bool is_module_code_address(const void* address);

// Called once per fault, right after it was recorded (at the guard, on the
// main stack): the host ends the game here when it has no build to go back
// to.
typedef void (*ModuleFaultHook)();
void set_module_fault_hook(ModuleFaultHook hook);

// ---- implementation ----

#include "script/sqbind_error.h"

template <class Body>
bool run_module_code(const char* what, Body&& body) {
    ModuleCall call;
    if (!begin_module_call(call, what)) return false;
    if (sigsetjmp(call.resume, 0)) {
        module_call_interrupted(call);
        return false;
    }
    try {
        body();
    } catch (const sqbind::SquirrelError&) {
        end_module_call(call);
        throw;
    } catch (...) {
        module_call_threw(call);
        return false;
    }
    end_module_call(call);
    return true;
}
