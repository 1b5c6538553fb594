/* Default error reporters: compile errors and run-time errors with the call stack. */
#ifndef EH_SQSTDAUX_H
#define EH_SQSTDAUX_H

#include "squirrel.h"

#ifdef __cplusplus
extern "C" {
#endif

SQUIRREL_API void sqstd_seterrorhandlers(HSQUIRRELVM v);
SQUIRREL_API void sqstd_printcallstack(HSQUIRRELVM v);

#ifdef __cplusplus
}
#endif

#endif
