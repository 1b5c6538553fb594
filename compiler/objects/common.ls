// Module-side object management: class ids, spawning into the engine's
// lists, the update loop and deletion of destroyed objects.
#include <cmath>
#include <cstring>
#include <new>
#include "gameobj_host/gameobj_interface.h"
#include "gameobj_host/gameobj_functions.h"

// Index of each class in the class table; 0 is reserved.
enum GameObjClassId {
    CLASS_ID_NONE = 0,
#define GAMEOBJ_CLASS_ID(name) CLASS_ID_##name,
    GAMEOBJ_MODULE_CLASSES(GAMEOBJ_CLASS_ID)
#undef GAMEOBJ_CLASS_ID
    CLASS_ID_END
};
static_assert(CLASS_ID_END <= GAMEOBJ_CLASS_COUNT);

#ifndef GAMEOBJ_BUILD_ID
#define GAMEOBJ_BUILD_ID 0
#endif

// What every module class answers the same way.
template <class Base>
struct ModuleObject : Base {
    int query(int what) override { return what == QUERY_MODULE_BUILD ? GAMEOBJ_BUILD_ID : 0; }
};

inline __m128 ground_point(float x, float z);

// The virtual table of class T, as stored in its objects.
template <class T>
void* class_vtable() {
    alignas(T) unsigned char probe[sizeof(T)];
    T* object = ::new (probe) T();
    void* vtable;
    memcpy(&vtable, probe, sizeof(vtable));
    object->~T();
    return vtable;
}

// Every object stands in GameObj_list and in the list of its own class.
template <class T>
T* spawn(T* object) {
    GameObj* base = object;
    GameObj_list.append(&base);
    T::list().append(&object);
    return object;
}

template <class T>
void remove_from(DynArray<T*>& list, void* object) {
    for (int i = 0; i < list.num; i++)
        if (static_cast<void*>(list[i]) == object) {
            list.erase(i, 1);
            return;
        }
}

// Takes a destroyed object out of every list and bin and frees it.
inline void delete_object(GameObj* object) {
    remove_proximity_object(object);
#define GAMEOBJ_REMOVE_FROM_LIST(name) remove_from(name##_list, object);
    GAMEOBJ_LISTED_CLASSES(GAMEOBJ_REMOVE_FROM_LIST)
#undef GAMEOBJ_REMOVE_FROM_LIST
    if (static_cast<GameObj*>(local_player) == object) local_player = nullptr;
    delete object;
}

// Frees every object queued by destroy.
inline void delete_destroyed_objects() {
    while (deleted_gameobjs.num > 0) {
        BaseObject* object = deleted_gameobjs.last();
        deleted_gameobjs.erase(deleted_gameobjs.num - 1, 1);
        delete_object(static_cast<GameObj*>(object));
    }
}

// A square of half size r around p on the ground, for the proximity bins.
inline __m128 ground_rect(__m128 p, float r) {
    alignas(16) float v[4];
    _mm_store_ps(v, p);
    return _mm_setr_ps(v[0] - r, v[2] - r, v[0] + r, v[2] + r);
}

inline float ground_height(float x, float z);

// The point on the ground at (x, z).
inline __m128 ground_point(float x, float z) { return _mm_setr_ps(x, ground_height(x, z), z, 1); }

// Bilinear ground height at (x, z) on the wrapping heightmap.
inline float ground_height(float x, float z) {
    using namespace HeightmapData;
    float fx = floorf(x), fz = floorf(z);
    int ix = int(fx), iz = int(fz);
    float tx = x - fx, tz = z - fz;
    float h00 = hmap[cell_index(ix, iz)], h10 = hmap[cell_index(ix + 1, iz)];
    float h01 = hmap[cell_index(ix, iz + 1)], h11 = hmap[cell_index(ix + 1, iz + 1)];
    return (h00 * (1 - tx) + h10 * tx) * (1 - tz) + (h01 * (1 - tx) + h11 * tx) * tz;
}
