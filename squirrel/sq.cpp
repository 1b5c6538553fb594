// sq FILE.nut [args]: runs a script with the base, math and string libraries.
#include "squirrel.h"
#include "sqstdaux.h"
#include "sqstdmath.h"
#include "sqstdstring.h"

#include <cstdarg>
#include <cstdio>
#include <string>

static void print_out(HSQUIRRELVM, const SQChar *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vfprintf(stdout, fmt, ap);
    va_end(ap);
}

static void print_err(HSQUIRRELVM, const SQChar *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vfprintf(stderr, fmt, ap);
    va_end(ap);
}

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: sq FILE.nut [args]\n");
        return 2;
    }
    FILE *f = fopen(argv[1], "rb");
    if (!f) {
        fprintf(stderr, "sq: cannot open '%s'\n", argv[1]);
        return 2;
    }
    std::string src;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) src.append(buf, n);
    fclose(f);

    HSQUIRRELVM v = sq_open(1024);
    sq_setprintfunc(v, print_out, print_err);
    sqstd_seterrorhandlers(v);
    sq_pushroottable(v);
    sqstd_register_mathlib(v);
    sqstd_register_stringlib(v);
    sq_pop(v, 1);

    int status = 1;
    if (SQ_SUCCEEDED(sq_compilebuffer(v, src.data(), (SQInteger)src.size(), argv[1], SQTrue))) {
        sq_pushroottable(v);
        for (int i = 2; i < argc; i++) sq_pushstring(v, argv[i], -1);
        if (SQ_SUCCEEDED(sq_call(v, argc - 1, SQFalse, SQTrue))) status = 0;
    }
    fflush(stdout);
    sq_close(v);
    return status;
}
