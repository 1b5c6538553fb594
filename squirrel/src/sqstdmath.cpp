// The math library.
#include "sqstdmath.h"

#include <cmath>
#include <cstdlib>

namespace {

SQFloat numArg(HSQUIRRELVM v, SQInteger idx) {
    SQFloat f = 0;
    sq_getfloat(v, idx, &f);
    return f;
}

template <double (*F)(double)>
SQInteger unary(HSQUIRRELVM v) {
    sq_pushfloat(v, (SQFloat)F((double)numArg(v, 2)));
    return 1;
}

SQInteger math_atan2(HSQUIRRELVM v) {
    sq_pushfloat(v, (SQFloat)atan2((double)numArg(v, 2), (double)numArg(v, 3)));
    return 1;
}

SQInteger math_pow(HSQUIRRELVM v) {
    sq_pushfloat(v, (SQFloat)pow((double)numArg(v, 2), (double)numArg(v, 3)));
    return 1;
}

SQInteger math_abs(HSQUIRRELVM v) {
    SQInteger i = 0;
    sq_getinteger(v, 2, &i);
    sq_pushinteger(v, i < 0 ? (SQInteger)(0u - (SQUnsignedInteger)i) : i);
    return 1;
}

SQInteger math_rand(HSQUIRRELVM v) {
    sq_pushinteger(v, (SQInteger)rand());
    return 1;
}

SQInteger math_srand(HSQUIRRELVM v) {
    SQInteger seed = 0;
    sq_getinteger(v, 2, &seed);
    srand((unsigned)seed);
    return 0;
}

double d_sqrt(double x) { return std::sqrt(x); }
double d_sin(double x) { return std::sin(x); }
double d_cos(double x) { return std::cos(x); }
double d_tan(double x) { return std::tan(x); }
double d_asin(double x) { return std::asin(x); }
double d_acos(double x) { return std::acos(x); }
double d_atan(double x) { return std::atan(x); }
double d_log(double x) { return std::log(x); }
double d_log10(double x) { return std::log10(x); }
double d_exp(double x) { return std::exp(x); }
double d_floor(double x) { return std::floor(x); }
double d_ceil(double x) { return std::ceil(x); }
double d_fabs(double x) { return std::fabs(x); }

const SQRegFunction MATH_FUNCS[] = {
    {"sqrt", unary<d_sqrt>, 2, ".n"},   {"sin", unary<d_sin>, 2, ".n"},     {"cos", unary<d_cos>, 2, ".n"},
    {"tan", unary<d_tan>, 2, ".n"},     {"asin", unary<d_asin>, 2, ".n"},   {"acos", unary<d_acos>, 2, ".n"},
    {"atan", unary<d_atan>, 2, ".n"},   {"log", unary<d_log>, 2, ".n"},     {"log10", unary<d_log10>, 2, ".n"},
    {"exp", unary<d_exp>, 2, ".n"},     {"floor", unary<d_floor>, 2, ".n"}, {"ceil", unary<d_ceil>, 2, ".n"},
    {"fabs", unary<d_fabs>, 2, ".n"},   {"atan2", math_atan2, 3, ".nn"},    {"pow", math_pow, 3, ".nn"},
    {"abs", math_abs, 2, ".n"},         {"rand", math_rand, 1, nullptr},    {"srand", math_srand, 2, ".n"},
};

}  // namespace

SQRESULT sqstd_register_mathlib(HSQUIRRELVM v) {
    for (const SQRegFunction &f : MATH_FUNCS) {
        sq_pushstring(v, f.name, -1);
        sq_newclosure(v, f.f, 0);
        sq_setparamscheck(v, f.nparamscheck, f.typemask);
        sq_setnativeclosurename(v, -1, f.name);
        sq_newslot(v, -3, SQFalse);
    }
    sq_pushstring(v, "RAND_MAX", -1);
    sq_pushinteger(v, RAND_MAX);
    sq_newslot(v, -3, SQFalse);
    sq_pushstring(v, "PI", -1);
    sq_pushfloat(v, (SQFloat)3.14159265358979323846);
    sq_newslot(v, -3, SQFalse);
    return SQ_OK;
}
