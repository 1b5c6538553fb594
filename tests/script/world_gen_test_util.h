#pragma once
// A world machine with every world-generation binding, on a freshly reset
// terrain with a fixed seed.
#include <string>
#include "script/world_gen_bindings.h"
#include "sqstdmath.h"
#include "sqstdstring.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"
#include "terrain/noise.h"
#include "tests/script/script_test_util.h"

class WorldGenTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    sq_pushroottable(vm);
    sqstd_register_mathlib(vm);
    sqstd_register_stringlib(vm);
    sq_poptop(vm);
    bind_world_gen_ramps(vm);
    bind_hmap_mask(vm);
    bind_world_gen_functions(vm);
    HeightmapData::reset();
    game_rnd_seed = 12345;
    reseed_noise();
  }

  // Runs src; "" when it succeeds, else the script error text.
  std::string error_of(const std::string& src) {
    if (SQ_FAILED(sq_compilebuffer(vm, src.c_str(), SQInteger(src.size()), "test.nut", SQTrue))) return "compile error";
    sq_pushroottable(vm);
    sqbind::clear_host_error();
    bool ok = SQ_SUCCEEDED(sq_call(vm, 1, SQFalse, SQFalse));
    std::string text;
    if (!ok) text = sqbind::SquirrelError(vm).desc;
    sq_pop(vm, 1);
    return ok ? "" : text;
  }

  // The value of a script expression.
  float num(const std::string& expr) {
    run("result <- (" + expr + ");");
    return global("result").toFloat();
  }
  int integer(const std::string& expr) {
    run("result <- (" + expr + ");");
    return global("result").toInt();
  }
  // x, y, z, w of a vec4f expression.
  std::string vec(const std::string& expr) {
    run("local v = " + expr + "; result <- format(\"%g %g %g %g\", v[0], v[1], v[2], v[3]);");
    return global("result").toString();
  }
};
