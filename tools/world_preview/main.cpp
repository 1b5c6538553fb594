// world_preview KIND SEED OUT.png [SCRIPT [SCALE]]: generates a world of the
// given kind ("game", "main_menu") from the given seed with the game's world
// script, without a window, and writes a top-down PNG of it. SCRIPT is the
// main script file (default "gen/main.nut" beside the program); SCALE the
// pixels per cell (default 2).
#include <climits>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#include "core/debug.h"
#include "core/paths.h"
#include "script/sq_reloadable_vm.h"
#include "script/world_generation.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"
#include "tools/world_preview/preview_image.h"

static int usage() {
  fprintf(stderr, "usage: world_preview KIND SEED OUT.png [SCRIPT [SCALE]]\n");
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 4 || argc > 6) return usage();
  const char* kind = argv[1];
  char* end = nullptr;
  uint64_t seed = strtoull(argv[2], &end, 0);
  if (!*argv[2] || *end) return usage();
  const char* out_path = argv[3];
  // A script named on the command line is found from the working folder;
  // the default one beside the program.
  char script_path[PATH_MAX];
  const char* script = "gen/main.nut";
  if (argc > 4) {
    if (!realpath(argv[4], script_path)) {
      fprintf(stderr, "can't find %s\n", argv[4]);
      return 2;
    }
    script = script_path;
  }
  int scale = argc > 5 ? atoi(argv[5]) : 2;
  if (scale < 1 || scale > 8) return usage();

  // Scripts include their files relative to the program's folder.
  init_app_path();
  SqReloadableVM world_vm;
  if (!open_world_gen_machine(world_vm, script)) {
    fprintf(stderr, "can't load world script %s\n", script);
    return 2;
  }

  game_rnd_seed = seed;
  generate_world_in(world_vm.vm, kind);
  world_vm.close();
  if (has_error_message()) {
    fprintf(stderr, "%s\n", get_error_message());
    return 2;
  }

  int side = HeightmapData::HMAP_SIZE * scale;
  std::vector<uint8_t> rgb = render_world_preview(scale);
  if (!stbi_write_png(out_path, side, side, 3, rgb.data(), side * 3)) {
    fprintf(stderr, "can't write %s\n", out_path);
    return 3;
  }
  WorldPreviewStats s = world_preview_stats();
  printf("%s world, seed %" PRIu64 ": heights %.1f..%.1f, %d water cells, %d lava cells, %d house cells -> %s\n", kind,
         seed, s.min_height, s.max_height, s.water_cells, s.lava_cells, s.house_cells, out_path);
  return 0;
}
