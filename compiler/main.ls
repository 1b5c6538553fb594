// The game-object module. The engine finds everything through the two
// exported lookups below; the rest of the module is hidden.
import api.objects_api
import api.spells_api
import api.world_api
import api.fx_api
import api.screens_api

#include <cstring>

#define GAMEOBJ_STR2(x) #x
#define GAMEOBJ_STR(x) GAMEOBJ_STR2(x)

// Entries of the class table this build reports (the engine requires the
// full table; smaller builds exist only to test that check).
#ifndef GAMEOBJ_CLASS_TABLE_SIZE
#define GAMEOBJ_CLASS_TABLE_SIZE GAMEOBJ_CLASS_COUNT
#endif

namespace {

struct NamedFunction {
    const char* name;
    void* address;
};

// The static_cast checks each function against the type the engine calls
// it with.
#define GAMEOBJ_NAMED_FUNCTION(name, type) \
    {#name, reinterpret_cast<void*>(static_cast<GameObjFunctions::name##_fn*>(&name))},
const NamedFunction NAMED_FUNCTIONS[] = {
    GAMEOBJ_FUNCTIONS(GAMEOBJ_NAMED_FUNCTION)
    {"link_gui", reinterpret_cast<void*>(&link_gui)},
    // Beyond the engine's table: casting by name, hurting the player and
    // world codes, for tests and tools.
    {"cast_spell_by_name", reinterpret_cast<void*>(&cast_spell_by_name)},
    {"cast_spell_at_crosshair", reinterpret_cast<void*>(&cast_spell_at_crosshair_by_name)},
    {"hurt_player", reinterpret_cast<void*>(&hurt_player_from)},
    {"make_world_code", reinterpret_cast<void*>(&make_world_code)},
    {"read_world_code", reinterpret_cast<void*>(&read_world_code)},
};
#undef GAMEOBJ_NAMED_FUNCTION

void* class_table[GAMEOBJ_CLASS_COUNT];

void fill_class_table() {
    for (void*& entry : class_table) entry = nullptr;
#define GAMEOBJ_CLASS_ENTRY(name) class_table[CLASS_ID_##name] = class_vtable<name>();
    GAMEOBJ_MODULE_CLASSES(GAMEOBJ_CLASS_ENTRY)
#undef GAMEOBJ_CLASS_ENTRY
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void* get_gameobj_func_by_name(const char* name) {
#ifdef GAMEOBJ_LEAVE_OUT
    if (strcmp(name, GAMEOBJ_STR(GAMEOBJ_LEAVE_OUT)) == 0) return nullptr;
#endif
    for (const NamedFunction& f : NAMED_FUNCTIONS)
        if (strcmp(f.name, name) == 0) return f.address;
    return nullptr;
}

extern "C" __attribute__((visibility("default"))) void** get_gameobj_vtables(int* count) {
    fill_class_table();
    *count = GAMEOBJ_CLASS_TABLE_SIZE;
    return class_table;
}
