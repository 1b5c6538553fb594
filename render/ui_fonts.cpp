// The distance-field fonts and icons the game's screens draw with.
#include "core/debug.h"
#include "render/dist_font.h"

namespace {
void load_or_stop(DistFont& font, const char* name) {
  if (!font.load(name)) fatal("can't load font '%s'", name);
}
}  // namespace

void load_ui_fonts() {
  init_dist_fonts();
  init_dist_icons();
  load_or_stop(default_font, "fonts/body.fnt");
  load_or_stop(title_font, "fonts/title.fnt");
  if (!ui_icons.load("fonts/ui_icons.icons")) fatal("can't load icons '%s'", "fonts/ui_icons.icons");
}

void release_ui_fonts() {
  default_font.clear();
  title_font.clear();
  ui_icons.clear();
  close_dist_fonts();
  close_dist_icons();
}
