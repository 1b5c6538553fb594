#include "gameobj_host/module_script_natives.h"
#include "gameobj_host/module_call_guard.h"
#include "script/sqbind_bind.h"

namespace {

bool is_module_function(SQFUNCTION fn) { return is_module_code_address(reinterpret_cast<const void*>(fn)); }

SQInteger guarded_module_native(HSQUIRRELVM v) {
    SQUserPointer bound = nullptr;
    sq_getuserpointer(v, -2, &bound);
    sq_remove(v, -2);
    SQStackInfos info;
    const char* what = SQ_SUCCEEDED(sq_stackinfos(v, 0, &info)) ? info.funcname : "a module function";
    SQInteger result = 0;
    if (!run_module_code(what, [&] { result = reinterpret_cast<SQFUNCTION>(bound)(v); }))
        return sq_throwerror(v, module_fault_message());
    return result;
}

}  // namespace

void guard_module_script_natives() { sqbind::set_native_guard(&guarded_module_native, &is_module_function); }
