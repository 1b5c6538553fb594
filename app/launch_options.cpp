#include "app/launch_options.h"
#include <strings.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include "app/app_globals.h"
#include "core/debug.h"
#include "core/settings.h"

namespace {
// A whole decimal number (no sign, no spaces) ending at the character end
// (0: the text's end); p moves past that character.
bool read_number(const char*& p, char end, uint64_t max, uint64_t* out) {
  if (!p || *p < '0' || *p > '9') return false;
  char* stop = nullptr;
  errno = 0;
  unsigned long long v = strtoull(p, &stop, 10);
  if (errno != 0 || *stop != end || v > max) return false;
  *out = v;
  p = end ? stop + 1 : stop;
  return true;
}

bool parse_unsigned(const char* text, uint64_t max, uint64_t* out) { return read_number(text, 0, max, out); }

// Applies one option with its value (null for a switch); false with the
// reason in opt->error when the value is refused.
typedef bool (*ApplyOption)(LaunchOptions* opt, const char* value);

struct LaunchOption {
  const char* name;
  const char* value;  // the value's name in the help, null for a switch
  const char* help;
  ApplyOption apply;
  LaunchRequest request;
};

// A value refused: the reason goes to opt->error.
bool refuse(LaunchOptions* opt, const char* option, const char* wants, const char* value) {
  if (value)
    opt->error.format("%s needs %s, not '%s'", option, wants, value);
  else
    opt->error.format("%s needs %s", option, wants);
  return false;
}

bool take_file_name(LaunchOptions* opt, const char* option, const char* value, const char** out) {
  if (!value || !*value) return refuse(opt, option, "a file name", nullptr);
  *out = value;
  return true;
}

#define SWITCH(statement) []([[maybe_unused]] LaunchOptions* opt, const char*) { statement; return true; }

// Every option the game knows, in the order of the help.
const LaunchOption LAUNCH_OPTIONS[] = {
    {"-720", nullptr, "window of 1280 x 720", SWITCH(opt->width = 1280; opt->height = 720), LAUNCH_PLAY},
    {"-360", nullptr, "window of 640 x 360", SWITCH(opt->width = 640; opt->height = 360), LAUNCH_PLAY},
    {"-1024", nullptr, "window of 1280 x 1024", SWITCH(opt->width = 1280; opt->height = 1024), LAUNCH_PLAY},
    {"-aa", nullptr, "post-process anti-aliasing on", SWITCH(use_ppaa = true), LAUNCH_PLAY},
    {"-noaa", nullptr, "post-process anti-aliasing off", SWITCH(use_ppaa = false), LAUNCH_PLAY},
    {"-vs", nullptr, "wait for vertical sync", SWITCH(app_use_vsync = true), LAUNCH_PLAY},
    {"-novs", nullptr, "do not wait for vertical sync", SWITCH(app_use_vsync = false), LAUNCH_PLAY},
    {"-fullscr", nullptr, "start fullscreen", SWITCH(opt->startFullscreen = true), LAUNCH_PLAY},
    {"-win", nullptr, "start in a window", SWITCH(opt->startFullscreen = false), LAUNCH_PLAY},
    {"-gfx-high", nullptr, "high graphics quality (deferred lighting, post-effects)", SWITCH(gfx_quality = 1),
     LAUNCH_PLAY},
    {"-gfx-low", nullptr, "low graphics quality", SWITCH(gfx_quality = 0), LAUNCH_PLAY},
    {"-seed", "SEED", "start from this random seed (0 to 18446744073709551615)",
     [](LaunchOptions* opt, const char* v) {
       if (!parse_unsigned(v, UINT64_MAX, &opt->seed)) return refuse(opt, "-seed", "a whole number", v);
       opt->fixedSeed = true;
       return true;
     },
     LAUNCH_PLAY},
    {"-quit-after", "UPDATES", "quit after UPDATES updates, 20 a second (0: never)",
     [](LaunchOptions* opt, const char* v) {
       uint64_t n;
       if (!parse_unsigned(v, INT_MAX, &n)) return refuse(opt, "-quit-after", "a number of updates", v);
       opt->quitAfterUpdates = int(n);
       return true;
     },
     LAUNCH_PLAY},
    {"-shot-at", "UPDATE", "save a screenshot after update UPDATE (repeatable)",
     [](LaunchOptions* opt, const char* v) {
       uint64_t n;
       if (!parse_unsigned(v, INT_MAX, &n)) return refuse(opt, "-shot-at", "an update number", v);
       if (opt->shotCount < LaunchOptions::MAX_SHOTS) opt->shotAt[opt->shotCount++] = int(n);
       return true;
     },
     LAUNCH_PLAY},
    {"-resize-at", "UPDATE:WxH", "resize the window to W x H pixels after update UPDATE",
     [](LaunchOptions* opt, const char* v) {
       uint64_t update, w, h;
       const char* p = v;
       if (!read_number(p, ':', INT_MAX, &update) || !read_number(p, 'x', 16384, &w) ||
           !read_number(p, 0, 16384, &h) || update == 0 || w == 0 || h == 0)
         return refuse(opt, "-resize-at", "UPDATE:WIDTHxHEIGHT", v);
       opt->resizeAt = int(update);
       opt->resizeWidth = int(w);
       opt->resizeHeight = int(h);
       return true;
     },
     LAUNCH_PLAY},
    {"-record", "FILE", "record the input to FILE",
     [](LaunchOptions* opt, const char* v) { return take_file_name(opt, "-record", v, &opt->recordPath); },
     LAUNCH_PLAY},
    {"-replay", "FILE", "play back the input recorded in FILE",
     [](LaunchOptions* opt, const char* v) { return take_file_name(opt, "-replay", v, &opt->replayPath); },
     LAUNCH_PLAY},
    {"--help", nullptr, "print this help and exit", nullptr, LAUNCH_HELP},
    {"-h", nullptr, "print this help and exit", nullptr, LAUNCH_HELP},
    {"--version", nullptr, "print the version and exit", nullptr, LAUNCH_VERSION},
};
#undef SWITCH

const LaunchOption* find_option(const char* name) {
  for (const LaunchOption& o : LAUNCH_OPTIONS)
    if (!strcmp(o.name, name)) return &o;
  return nullptr;
}
}  // namespace

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
  char size[32];
  uint64_t w, h;
  const char* p = size;
  if (get_config_str("fullscreen_size", size, sizeof(size)) && read_number(p, 'x', 16384, &w) &&
      read_number(p, 0, 16384, &h) && w > 0 && h > 0) {
    opt->fullscreenWidth = int(w);
    opt->fullscreenHeight = int(h);
  }
}

bool apply_command_line(LaunchOptions* opt, int argc, const char* const* argv) {
  opt->error.assign("");
  for (int i = 1; i < argc; i++) {
    const LaunchOption* o = find_option(argv[i]);
    if (!o) {
      if (opt->unknownCount < LaunchOptions::MAX_UNKNOWN) opt->unknown[opt->unknownCount] = argv[i];
      opt->unknownCount++;
      continue;
    }
    const char* value = nullptr;
    if (o->value) value = i + 1 < argc ? argv[++i] : nullptr;
    if (o->apply && !o->apply(opt, value)) return false;
  }
  return true;
}

LaunchRequest find_launch_request(int argc, const char* const* argv) {
  for (int i = 1; i < argc; i++) {
    const LaunchOption* o = find_option(argv[i]);
    if (!o) continue;
    if (o->request != LAUNCH_PLAY) return o->request;
    if (o->value) i++;
  }
  return LAUNCH_PLAY;
}

void print_launch_help(FILE* out) {
  fprintf(out, "usage: ember_hollows [OPTION]...\n%s: a real-time 3D god game.\n\n", GAME_TITLE);
  for (const LaunchOption& o : LAUNCH_OPTIONS) {
    TempString<40> left = TempString<40>::formatted("%s%s%s", o.name, o.value ? " " : "", o.value ? o.value : "");
    fprintf(out, "  %-20s %s\n", left.c_str(), o.help);
  }
  fprintf(out,
          "\nSettings are kept in $XDG_CONFIG_HOME/EmberHollows/settings, saved games and the\n"
          "module sources for modding in $XDG_DATA_HOME/EmberHollows/.\n");
}

void warn_unknown_options(const LaunchOptions& opt, FILE* out) {
  int kept = opt.unknownCount < LaunchOptions::MAX_UNKNOWN ? opt.unknownCount : LaunchOptions::MAX_UNKNOWN;
  for (int i = 0; i < kept; i++)
    fprintf(out, "ember_hollows: warning: unknown option '%s' ignored (see --help)\n", opt.unknown[i]);
  if (opt.unknownCount > kept)
    fprintf(out, "ember_hollows: warning: %d more unknown options ignored (see --help)\n", opt.unknownCount - kept);
}
