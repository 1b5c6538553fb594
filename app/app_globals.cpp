#include "app/app_globals.h"

bool isAppActive = false;
bool shouldHideMouse = false;
float time_dt = 0.05f;
float time_ik = 1.f;
bool show_fps = false;
GameMode* cur_game_mode = nullptr;
