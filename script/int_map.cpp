#include "script/int_map.h"
#include <cstring>
#include <new>
#include "core/allocator.h"
#include "script/sqbind.h"
#include "script/world_gen_bindings.h"

int make_map_index(int x, int z) { return IntMap::cell_index(x, z); }
int map_index_x(int index) { return index & 255; }
int map_index_z(int index) { return (index >> 8) & 255; }

static SQInteger release_int_map(SQUserPointer p, SQInteger) {
  dlfree(p);
  return 1;
}

// Fills every cell with f(x, z), x fastest; f runs with the root table as
// `this`.
static void fill_from_function(HSQUIRRELVM vm, IntMap* map, SQInteger fnIdx) {
  SQInteger top = sq_gettop(vm);
  for (int z = 0; z < IntMap::SIDE; z++) {
    for (int x = 0; x < IntMap::SIDE; x++) {
      sq_push(vm, fnIdx);
      sq_pushroottable(vm);
      sq_pushinteger(vm, x);
      sq_pushinteger(vm, z);
      if (SQ_FAILED(sq_call(vm, 3, SQTrue, SQTrue))) {
        sq_settop(vm, top);
        sqbind::rethrow_host_error(vm);
        throw sqbind::SquirrelError(vm);
      }
      SQInteger v;
      if (SQ_FAILED(sq_getinteger(vm, -1, &v))) {
        sq_settop(vm, top);
        sqbind::throw_type_error();
      }
      map->set(x, z, v);
      sq_settop(vm, top);
    }
  }
}

static SQInteger int_map_ctor(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    if (sq_gettop(vm) < 2) throw sqbind::SquirrelError("wrong number of parameters");
    SQObjectType t = sq_gettype(vm, 2);
    SQInteger fill = 0;
    bool isFunction = t == OT_CLOSURE || t == OT_NATIVECLOSURE;
    if (!isFunction && SQ_FAILED(sq_getinteger(vm, 2, &fill))) sqbind::throw_type_error();

    void* mem = dlmalloc(sizeof(IntMap));
    if (!mem) throw sqbind::SquirrelError("out of memory");
    IntMap* map = new (mem) IntMap;
    // The instance owns the memory from here on, also when filling fails.
    sqbind::init_instance(map, vm, release_int_map);
    if (isFunction) {
      memset(map->cells, 0, sizeof(map->cells));
      fill_from_function(vm, map, 2);
    } else {
      for (int32_t& c : map->cells) c = fill;
    }
    return 0;
  });
}

static IntMap* self_of(HSQUIRRELVM vm) {
  SQUserPointer p = nullptr;
  if (SQ_FAILED(sq_getinstanceup(vm, 1, &p, sqbind::class_tag<IntMap>())) || !p)
    throw sqbind::SquirrelError("invalid 'this' in C++ method call");
  return static_cast<IntMap*>(p);
}

static int index_arg(HSQUIRRELVM vm) {
  SQInteger i;
  if (sq_gettype(vm, 2) != OT_INTEGER || SQ_FAILED(sq_getinteger(vm, 2, &i)))
    throw sqbind::SquirrelError("IntMap index must be an integer");
  return i;
}

// m[i]
static SQInteger int_map_index_get(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    IntMap* map = self_of(vm);
    sq_pushinteger(vm, map->getAt(index_arg(vm)));
    return 1;
  });
}

// m[i] = v
static SQInteger int_map_index_set(HSQUIRRELVM vm) {
  return run_native(vm, [&]() -> SQInteger {
    IntMap* map = self_of(vm);
    int i = index_arg(vm);
    map->setAt(i, sqbind::SqArgOf<int>::get(vm, 3));
    return 0;
  });
}

void bind_int_map(HSQUIRRELVM vm) {
  sqbind::SqClassBinder<IntMap> b(vm, "IntMap");
  bind_raw_native(vm, b.cls, "constructor", int_map_ctor);
  b.method("get", &IntMap::get).method("set", &IntMap::set);
  bind_raw_native(vm, b.cls, "_get", int_map_index_get);
  bind_raw_native(vm, b.cls, "_set", int_map_index_set);
}
