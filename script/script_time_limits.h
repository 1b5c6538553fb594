#pragma once
// How long one call from the engine into a script may run, in seconds of
// processor time, before the machine stops it with the script error
// "script ran too long (N s)": per-update calls (sky, world script, ...) and
// loading (running a script file, generating a world).
#include "squirrel.h"

float script_update_seconds();
float script_load_seconds();
// Tests shorten them; the defaults are 1 s and 10 s (ten times that in
// sanitizer builds, which run scripts about ten times slower).
void set_script_time_limits(float updateSeconds, float loadSeconds);

// The machine's limit for the life of the object, then the previous one.
class ScriptTimeLimit {
 public:
  ScriptTimeLimit(HSQUIRRELVM vm, float seconds) : vm_(vm), saved_(sq_getcalltimelimit(vm)) {
    sq_setcalltimelimit(vm, seconds);
  }
  ~ScriptTimeLimit() { sq_setcalltimelimit(vm_, saved_); }
  ScriptTimeLimit(const ScriptTimeLimit&) = delete;
  ScriptTimeLimit& operator=(const ScriptTimeLimit&) = delete;

 private:
  HSQUIRRELVM vm_;
  SQFloat saved_;
};
