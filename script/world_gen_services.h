#pragma once
// Services of other subsystems that world generation calls when they are in
// the program. The preview tool and the tests link without sky, effects and
// land renderer; each of these is then absent (a null address) and skipped.
#include <xmmintrin.h>

__attribute__((weak)) void set_sun_dir(__m128 dir, bool immediate);
__attribute__((weak)) void reset_common_fx();
__attribute__((weak)) void request_land_refresh();
