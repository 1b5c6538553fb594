#include "app/launch_options.h"
#include <strings.h>
#include <cerrno>
#include <climits>
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
  get_config_int_in_range("land_shadows", 0, 2, &land_shadow_quality);  // off, low, high
  char quality[32];
  if (get_config_str("gfx_quality", quality, sizeof(quality)))
    for (int i = 0; gfx_quality_name[i]; i++)
      if (strcasecmp(quality, gfx_quality_name[i]) == 0) gfx_quality = i;
}

const char* const LAUNCH_USAGE =
    "usage: ember_hollows [-720|-360|-1024] [-aa|-noaa] [-vs|-novs] [-fullscr|-win] [-gfx-high|-gfx-low]\n"
    "                     [-quit-after UPDATES] [-seed SEED] [-shot-at UPDATE]... [-record FILE] [-replay FILE]\n"
    "  UPDATES: 0 (never) to 2147483647; SEED: 0 to 18446744073709551615";

namespace {
// Whole decimal numbers only: no sign, no spaces, no trailing text.
bool parse_unsigned(const char* text, uint64_t max, uint64_t* out) {
  if (!text || *text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = strtoull(text, &end, 10);
  if (errno != 0 || *end != 0 || v > max) return false;
  *out = v;
  return true;
}
}  // namespace

bool apply_command_line(LaunchOptions* opt, int argc, const char* const* argv) {
  opt->error.assign("");
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
    } else if (!strcmp(a, "-quit-after")) {
      uint64_t n;
      if (!parse_unsigned(next, INT_MAX, &n)) {
        opt->error.format("-quit-after needs a number of updates, not '%s'", next ? next : "");
        return false;
      }
      opt->quitAfterUpdates = int(n);
      i++;
    } else if (!strcmp(a, "-shot-at")) {
      uint64_t n;
      if (!parse_unsigned(next, INT_MAX, &n)) {
        opt->error.format("-shot-at needs an update number, not '%s'", next ? next : "");
        return false;
      }
      if (opt->shotCount < LaunchOptions::MAX_SHOTS) opt->shotAt[opt->shotCount++] = int(n);
      i++;
    } else if (!strcmp(a, "-seed")) {
      if (!parse_unsigned(next, UINT64_MAX, &opt->seed)) {
        opt->error.format("-seed needs a whole number, not '%s'", next ? next : "");
        return false;
      }
      opt->fixedSeed = true;
      i++;
    } else if (!strcmp(a, "-record") || !strcmp(a, "-replay")) {
      if (!next || !*next) {
        opt->error.format("%s needs a file name", a);
        return false;
      }
      if (!strcmp(a, "-record"))
        opt->recordPath = next;
      else
        opt->replayPath = next;
      i++;
    }
  }
  return true;
}
