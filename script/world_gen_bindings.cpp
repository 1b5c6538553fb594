#include "script/world_gen_bindings.h"
#include <cmath>
#include "core/temp_string.h"
#include "terrain/heightmap_data.h"

void bind_raw_native(HSQUIRRELVM vm, const sqbind::SqObject& target, const char* name, SQFUNCTION fn) {
  sqbind::detail::push_bind_target(vm, target);
  sq_pushstring(vm, name, -1);
  sq_newclosure(vm, fn, 0);
  sq_setnativeclosurename(vm, -1, name);
  SQRESULT r = sq_newslot(vm, -3, SQFalse);
  sq_poptop(vm);
  ASSERT(SQ_SUCCEEDED(r));
}

static void throw_argument_error(const char* format, const char* function) {
  TempString<256> text;
  text.format(format, function);
  throw sqbind::SquirrelError(text);
}

void check_tile(int tile, const char* function) {
  if (tile <= 0 || (tile & (tile - 1)) != 0) throw_argument_error("tile must be power of 2 in %s()", function);
}

float finite_height(float value, int cell) {
  if (!std::isfinite(value)) {
    TempString<64> text;
    text.format("non-finite height at %d, %d", cell & HeightmapData::HMAP_MASK, cell >> HeightmapData::HMAP_SIZE_SHIFT);
    throw sqbind::SquirrelError(text);
  }
  return value;
}

int first_non_finite_height() {
  for (int i = 0; i < HeightmapData::HMAP_CELLS; i++)
    if (!std::isfinite(HeightmapData::hmap[i])) return i;
  return -1;
}

void check_generated_heights(const char* function) {
  int cell = first_non_finite_height();
  if (cell < 0) return;
  TempString<128> text;
  text.format("%s() left non-finite heights (first at %d, %d)", function, cell & HeightmapData::HMAP_MASK,
              cell >> HeightmapData::HMAP_SIZE_SHIFT);
  throw sqbind::SquirrelError(text);
}

void check_finite(std::initializer_list<float> args, const char* function) {
  for (float a : args)
    if (!std::isfinite(a)) throw_argument_error("non-finite argument in %s()", function);
}

void check_octaves(int octaves, const char* function) {
  if (octaves < 0 || octaves > MAX_NOISE_OCTAVES) throw_argument_error("octaves must be 0 to 24 in %s()", function);
}

void check_droplet_count(int count, const char* function) {
  if (count > MAX_EROSION_DROPLETS) throw_argument_error("count must be at most 10000000 droplets in %s()", function);
}

void check_height_range(float min_ht, float max_ht, const char* function) {
  if (!(min_ht >= 0.0f && min_ht <= max_ht) || !std::isfinite(max_ht))
    throw_argument_error("bad height range in %s()", function);
}

void bind_world_gen_constants(HSQUIRRELVM vm) {
  using namespace HeightmapData;
  static const struct {
    const char* name;
    int value;
  } CONSTANTS[] = {
      {"HMAP_SIZE", HMAP_SIZE},   {"HMAP_SIZE_SHIFT", HMAP_SIZE_SHIFT},
      {"GT_NONE", GT_NONE},       {"GT_HOUSE", GT_HOUSE},
      {"GT_ROCK", GT_ROCK},       {"GT_SAND", GT_SAND},
      {"GT_SOIL", GT_SOIL},       {"ST_OPEN", ST_OPEN},
      {"ST_NONE", ST_NONE},       {"ST_GRASS", ST_GRASS},
      {"ST_ASH", ST_ASH},         {"ST_SNOW", ST_SNOW},
      {"ST_ROAD", ST_ROAD},       {"MARK_OBJ", int(MARK_OBJ)},
      {"MARK_PLACE", int(MARK_PLACE)}, {"MARK_HOUSE", int(MARK_HOUSE)},
      {"MARK_WATER", int(MARK_WATER)}, {"MARK_PLACEMENT", int(MARK_PLACEMENT)},
  };
  for (const auto& c : CONSTANTS) sqbind::bind_const(vm, c.name, c.value);
}

void bind_world_gen_functions(HSQUIRRELVM vm) {
  bind_world_gen_vec4f(vm);
  bind_world_gen_noise(vm);
  bind_world_gen_colors(vm);
  bind_world_gen_terrain(vm);
  bind_world_gen_mask_ops(vm);
  bind_world_gen_constants(vm);
}
