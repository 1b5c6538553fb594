#include "app/state_hash.h"
#include <cstring>
#include "app/camera.h"
#include "gameobj_host/module_call_guard.h"
#include "gameobj_host/object_lists.h"
#include "gameobj_host/player_base.h"
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"

namespace {
// FNV-1a, 64 bits.
struct StateHasher {
  uint64_t h = 0xcbf29ce484222325ULL;
  void bytes(const void* data, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; i++) h = (h ^ p[i]) * 0x100000001b3ULL;
  }
  template <typename T>
  void value(const T& v) {
    bytes(&v, sizeof v);
  }
};
}  // namespace

uint64_t hash_game_state() {
  using namespace HeightmapData;
  StateHasher s;
  s.bytes(hmap, sizeof hmap);
  s.bytes(target_hmap, sizeof target_hmap);
  s.bytes(water, sizeof water);
  s.bytes(surface, sizeof surface);
  s.value(game_rnd_seed);
  alignas(16) float pos[4];
  _mm_store_ps(pos, camera.pos);
  s.bytes(pos, sizeof pos);
  s.value(camera.yaw);
  s.value(camera.pitch);
  s.value(GameObj_list.num);
  for (GameObj* object : GameObj_list) {
    const char* name = "";
    run_module_code("getClassName", [&] { name = object->getClassName(); });
    s.bytes(name, strlen(name));
    s.value(object->destroyState);
    s.value(object->proximityBin);
  }
  if (local_player) {
    __m128 p = _mm_setzero_ps();
    run_module_code("getPos", [&] { local_player->getPos(&p); });
    _mm_store_ps(pos, p);
    s.bytes(pos, sizeof pos);
  }
  return s.h;
}
