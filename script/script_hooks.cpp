#include "script/script_hooks.h"

ScriptHooks script_hooks;
