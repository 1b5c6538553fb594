// world_preview KIND SEED OUT.png [SCRIPT [SCALE]]: generates a world of the
// given kind ("game", "main_menu") from the given seed with the game's world
// script, without a window, and writes a top-down PNG of it. SCRIPT is the
// main script file (default "gen/main.nut" beside the program); SCALE the
// pixels per cell (default 2).
#include <cerrno>
#include <climits>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

static int usage(const char* problem) {
  fprintf(stderr, "%s\nusage: world_preview KIND SEED OUT.png [SCRIPT [SCALE]]\n"
                  "  KIND: game, main_menu or a world type of the script; SEED: 0 to 18446744073709551615\n"
                  "  (or 0x...); SCALE: 1 to 8 pixels per cell (default 2)\n", problem);
  return 1;
}

// A whole unsigned number, decimal or 0x hexadecimal: no sign, no spaces, no
// trailing text, no overflow.
static bool parse_unsigned(const char* text, uint64_t max, uint64_t* out) {
  if (*text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = strtoull(text, &end, 0);
  if (errno != 0 || *end != 0 || v > max) return false;
  *out = v;
  return true;
}

// "game" and "main_menu" are the engine's kinds; a script may also build any
// of its world types by name.
static bool is_known_kind(HSQUIRRELVM vm, const char* kind) {
  if (!strcmp(kind, "game") || !strcmp(kind, "main_menu")) return true;
  SQInteger top = sq_gettop(vm);
  bool known = false;
  sq_pushroottable(vm);
  sq_pushstring(vm, "world_types", -1);
  if (SQ_SUCCEEDED(sq_get(vm, -2)) && sq_gettype(vm, -1) == OT_TABLE) {
    sq_pushstring(vm, kind, -1);
    known = SQ_SUCCEEDED(sq_get(vm, -2));
  }
  sq_settop(vm, top);
  return known;
}

static int png_write_error = 0;

static void write_png_bytes(void* context, void* data, int size) {
  if (png_write_error || size <= 0) return;
  if (fwrite(data, 1, size_t(size), static_cast<FILE*>(context)) != size_t(size)) png_write_error = errno ? errno : EIO;
}

// 0 when the whole file was written, else the error (a full disk may show
// only when the buffered bytes are flushed or the file is closed).
static int write_png(const char* path, int side, const uint8_t* rgb) {
  FILE* f = fopen(path, "wb");
  if (!f) return errno;
  png_write_error = 0;
  if (!stbi_write_png_to_func(write_png_bytes, f, side, side, 3, rgb, side * 3) && !png_write_error)
    png_write_error = EIO;
  if (!png_write_error && fflush(f) != 0) png_write_error = errno;
  if (fclose(f) != 0 && !png_write_error) png_write_error = errno;
  return png_write_error;
}

int main(int argc, char** argv) {
  if (argc < 4 || argc > 6) return usage("wrong number of arguments");
  const char* kind = argv[1];
  uint64_t seed = 0;
  if (!parse_unsigned(argv[2], UINT64_MAX, &seed)) return usage("SEED must be a whole number");
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
  uint64_t scale = 2;
  if (argc > 5 && (!parse_unsigned(argv[5], 8, &scale) || scale < 1)) return usage("SCALE must be 1 to 8");

  // Scripts include their files relative to the program's folder.
  init_app_path();
  SqReloadableVM world_vm;
  if (!open_world_gen_machine(world_vm, script)) {
    fprintf(stderr, "can't load world script %s\n", script);
    return 2;
  }
  if (!is_known_kind(world_vm.vm, kind)) {
    world_vm.close();
    return usage("KIND is not a kind of world the script builds");
  }

  game_rnd_seed = seed;
  generate_world_in(world_vm.vm, kind);
  world_vm.close();
  if (has_error_message()) {
    fprintf(stderr, "%s\n", get_error_message());
    return 2;
  }

  int side = HeightmapData::HMAP_SIZE * int(scale);
  std::vector<uint8_t> rgb = render_world_preview(int(scale));
  if (int error = write_png(out_path, side, rgb.data())) {
    fprintf(stderr, "can't write %s: %s\n", out_path, strerror(error));
    return 3;
  }
  WorldPreviewStats s = world_preview_stats();
  printf("%s world, seed %" PRIu64 ": heights %.1f..%.1f, %d water cells, %d lava cells, %d house cells -> %s\n", kind,
         seed, s.min_height, s.max_height, s.water_cells, s.lava_cells, s.house_cells, out_path);
  return 0;
}
