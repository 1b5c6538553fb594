#include "script/script_time_limits.h"

#if defined(__SANITIZE_ADDRESS__)
static constexpr float SLOW_BUILD_SCALE = 10.0f;
#else
static constexpr float SLOW_BUILD_SCALE = 1.0f;
#endif

static float update_seconds = 1.0f * SLOW_BUILD_SCALE;
static float load_seconds = 10.0f * SLOW_BUILD_SCALE;

float script_update_seconds() { return update_seconds; }
float script_load_seconds() { return load_seconds; }

void set_script_time_limits(float updateSeconds, float loadSeconds) {
  update_seconds = updateSeconds;
  load_seconds = loadSeconds;
}
