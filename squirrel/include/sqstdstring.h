/* Standard string library registration. */
#ifndef EH_SQSTDSTRING_H
#define EH_SQSTDSTRING_H

#include "squirrel.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Registers format, strip, lstrip, rstrip, split and the regexp class into the
   table on top of the stack. */
SQUIRREL_API SQRESULT sqstd_register_stringlib(HSQUIRRELVM v);

/* printf-like formatting of the arguments after fmtidx; the result lives in the scratchpad. */
SQUIRREL_API SQRESULT sqstd_format(HSQUIRRELVM v, SQInteger fmtidx, SQInteger *outlen, SQChar **output);

#ifdef __cplusplus
}
#endif

#endif
