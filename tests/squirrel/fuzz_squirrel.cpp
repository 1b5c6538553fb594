// libFuzzer target: compiles arbitrary bytes as a script and runs it with a
// budget of backward jumps and calls, then collects and closes the machine.
#include "squirrel.h"
#include "sqstdmath.h"
#include "sqstdstring.h"
#include "sqvm.h"

#include <cstdint>
#include <cstring>

static void quiet(HSQUIRRELVM, const SQChar *, ...) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    HSQUIRRELVM v = sq_open(64);
    sq_setprintfunc(v, quiet, quiet);
    sq_pushroottable(v);
    sqstd_register_mathlib(v);
    sqstd_register_stringlib(v);
    sq_pop(v, 1);
    v->setOpBudget(5000);
    if (SQ_SUCCEEDED(sq_compilebuffer(v, (const char *)data, (SQInteger)size, "fuzz", SQTrue))) {
        sq_pushroottable(v);
        sq_call(v, 1, SQTrue, SQTrue);
        sq_settop(v, 0);
        sq_collectgarbage(v);
    }
    sq_close(v);
    return 0;
}
