#include "render/render_options.h"

bool use_postfx = true;
bool use_ppaa = false;
bool use_obj_shadows = true;
bool use_fog = true;
bool app_use_vsync = true;
int gfx_quality = 1;
const char* gfx_quality_name[] = {"low", "high", nullptr};
int land_shadow_quality = 2;
