// Default error reporters: compile errors and run-time errors with the call stack.
#include "sqstdaux.h"

#include <cstdio>

void sqstd_printcallstack(HSQUIRRELVM v) {
    SQPRINTFUNCTION pf = sq_geterrorfunc(v);
    if (!pf) return;
    SQStackInfos si;
    pf(v, "\nCALLSTACK\n");
    // deep recursion lists its first and last levels only
    const SQInteger shown = 20;
    SQInteger levels = 1;
    while (SQ_SUCCEEDED(sq_stackinfos(v, levels, &si))) levels++;
    for (SQInteger level = 1; level < levels; level++) {
        if (levels > 3 * shown && level == shown + 1) {
            pf(v, "... %d levels ...\n", (int)(levels - 2 * shown - 1));
            level = levels - shown;
        }
        sq_stackinfos(v, level, &si);
        pf(v, "*FUNCTION [%s()] %s line [%d]\n", si.funcname ? si.funcname : "unknown",
           si.source ? si.source : "unknown", (int)si.line);
    }
    pf(v, "\nLOCALS\n");
    for (SQUnsignedInteger level = 0; level < 10; level++) {
        const SQChar *name;
        for (SQUnsignedInteger seq = 0; (name = sq_getlocal(v, level, seq)) != nullptr; seq++) {
            switch (sq_gettype(v, -1)) {
            case OT_NULL: pf(v, "[%s] NULL\n", name); break;
            case OT_INTEGER: {
                SQInteger i;
                sq_getinteger(v, -1, &i);
                pf(v, "[%s] %d\n", name, (int)i);
                break;
            }
            case OT_FLOAT: {
                SQFloat f;
                sq_getfloat(v, -1, &f);
                pf(v, "[%s] %.14g\n", name, (double)f);
                break;
            }
            case OT_BOOL: {
                SQBool b;
                sq_getbool(v, -1, &b);
                pf(v, "[%s] %s\n", name, b ? "true" : "false");
                break;
            }
            case OT_STRING: {
                const SQChar *s;
                sq_getstring(v, -1, &s);
                pf(v, "[%s] \"%s\"\n", name, s);
                break;
            }
            case OT_USERPOINTER: pf(v, "[%s] USERPOINTER\n", name); break;
            case OT_TABLE: pf(v, "[%s] TABLE\n", name); break;
            case OT_ARRAY: pf(v, "[%s] ARRAY\n", name); break;
            case OT_CLOSURE: pf(v, "[%s] CLOSURE\n", name); break;
            case OT_NATIVECLOSURE: pf(v, "[%s] NATIVECLOSURE\n", name); break;
            case OT_GENERATOR: pf(v, "[%s] GENERATOR\n", name); break;
            case OT_USERDATA: pf(v, "[%s] USERDATA\n", name); break;
            case OT_THREAD: pf(v, "[%s] THREAD\n", name); break;
            case OT_CLASS: pf(v, "[%s] CLASS\n", name); break;
            case OT_INSTANCE: pf(v, "[%s] INSTANCE\n", name); break;
            case OT_WEAKREF: pf(v, "[%s] WEAKREF\n", name); break;
            default: break;
            }
            sq_pop(v, 1);
        }
    }
}

static SQInteger aux_errorhandler(HSQUIRRELVM v) {
    SQPRINTFUNCTION pf = sq_geterrorfunc(v);
    if (pf) {
        const SQChar *msg = "unknown";
        if (sq_gettop(v) >= 2 && sq_gettype(v, 2) == OT_STRING) sq_getstring(v, 2, &msg);
        pf(v, "\nAN ERROR HAS OCCURED [%s]\n", msg);
        sqstd_printcallstack(v);
    }
    return 0;
}

static void aux_compilererror(HSQUIRRELVM v, const SQChar *desc, const SQChar *source, SQInteger line,
                              SQInteger column) {
    SQPRINTFUNCTION pf = sq_geterrorfunc(v);
    if (pf) pf(v, "%s line = (%d) column = (%d) : error %s\n", source, (int)line, (int)column, desc);
}

void sqstd_seterrorhandlers(HSQUIRRELVM v) {
    sq_setcompilererrorhandler(v, aux_compilererror);
    sq_newclosure(v, aux_errorhandler, 0);
    sq_seterrorhandler(v);
}
