#pragma once
// Names the place of a code address for a modder: the function and, when the
// module carries line tables, its source file and line; else the file and
// offset. Uses the system's addr2line when there is one.
#include "core/temp_string.h"

typedef TempString<384> CodePlace;

// isReturnAddress: the address is a caller's return address (a frame of a
// backtrace), whose call stands one instruction before it.
CodePlace describe_code_place(const void* address, bool isReturnAddress);
