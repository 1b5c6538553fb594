#pragma once
// The module's functions bound into a script machine (the world script's
// count_objects, cast_spell, ...) run under the module call guard when a
// script calls them, so a fault in one is rolled back like a fault in an
// update; the script sees an error.

// Binds every module function bound from now on behind the guard.
void guard_module_script_natives();
