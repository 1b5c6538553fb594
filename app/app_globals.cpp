#include "app/app_globals.h"

bool isAppActive = false;
bool isFullscreen = false;
bool shouldHideMouse = false;
float time_dt = 0.05f;
float time_ik = 1.f;
bool show_fps = false;
bool use_postfx = true;
bool use_ppaa = false;
bool use_obj_shadows = true;
bool use_fog = true;
bool app_use_vsync = true;
int gfx_quality = 1;
const char* gfx_quality_name[] = {"low", "high", nullptr};
int land_shadow_quality = 2;
GameMode* cur_game_mode = nullptr;
