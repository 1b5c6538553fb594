/* Standard math library registration. */
#ifndef EH_SQSTDMATH_H
#define EH_SQSTDMATH_H

#include "squirrel.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Registers sqrt, sin, ..., rand, srand, PI, RAND_MAX into the table on top of the stack. */
SQUIRREL_API SQRESULT sqstd_register_mathlib(HSQUIRRELVM v);

#ifdef __cplusplus
}
#endif

#endif
