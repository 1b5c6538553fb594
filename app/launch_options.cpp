#include "app/launch_options.h"
#include <strings.h>
#include <cstdlib>
#include <cstring>
#include "app/app_globals.h"
#include "core/settings.h"

void read_launch_settings(LaunchOptions* opt) {
  *opt = LaunchOptions{};
  app_use_vsync = true;
  use_ppaa = false;
  int flags = 0;
  if (get_config_int("flags", &flags)) {
    opt->startFullscreen = (flags & 1) != 0;
    use_ppaa = (flags & 2) != 0;
    app_use_vsync = (flags & 4) != 0;
    use_obj_shadows = (flags & 8) != 0;
  }
  get_config_int("land_shadows", &land_shadow_quality);
  char quality[32];
  if (get_config_str("gfx_quality", quality, sizeof(quality)))
    for (int i = 0; gfx_quality_name[i]; i++)
      if (strcasecmp(quality, gfx_quality_name[i]) == 0) gfx_quality = i;
}

void apply_command_line(LaunchOptions* opt, int argc, const char* const* argv) {
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!strcmp(a, "-720")) {
      opt->width = 1280;
      opt->height = 720;
    } else if (!strcmp(a, "-360")) {
      opt->width = 640;
      opt->height = 360;
    } else if (!strcmp(a, "-1024")) {
      opt->width = 1280;
      opt->height = 1024;
    } else if (!strcmp(a, "-aa")) {
      use_ppaa = true;
    } else if (!strcmp(a, "-noaa")) {
      use_ppaa = false;
    } else if (!strcmp(a, "-vs")) {
      app_use_vsync = true;
    } else if (!strcmp(a, "-novs")) {
      app_use_vsync = false;
    } else if (!strcmp(a, "-fullscr")) {
      opt->startFullscreen = true;
    } else if (!strcmp(a, "-win")) {
      opt->startFullscreen = false;
    } else if (!strcmp(a, "-gfx-high")) {
      gfx_quality = 1;
    } else if (!strcmp(a, "-gfx-low")) {
      gfx_quality = 0;
    } else if (!strcmp(a, "-quit-after") && next) {
      opt->quitAfterUpdates = atoi(next);
      i++;
    } else if (!strcmp(a, "-shot-at") && next) {
      if (opt->shotCount < LaunchOptions::MAX_SHOTS) opt->shotAt[opt->shotCount++] = atoi(next);
      i++;
    } else if (!strcmp(a, "-seed") && next) {
      opt->fixedSeed = true;
      opt->seed = strtoull(next, nullptr, 10);
      i++;
    }
  }
}
