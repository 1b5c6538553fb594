#pragma once
// sqbind: the engine's thin layer between host code and script machines.
#include "script/sqbind_bind.h"
#include "script/sqbind_error.h"
#include "script/sqbind_func.h"
#include "script/sqbind_object.h"
#include "script/sqbind_types.h"
#include "script/sqbind_vec.h"
#include "script/sqbind_vm.h"
