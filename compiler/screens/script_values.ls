// Reading and writing the world machine's values the menus share with the
// scripts: the root table's "cur_world" and slots of the game description.
import objects.common

namespace menu {

inline sqbind::SqObject slot_value(const sqbind::SqObject& object, const char* name);

// A value of the root table; null when the scripts have none of that name.
inline sqbind::SqObject root_value(const char* name) {
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm) return {};
    sq_pushroottable(vm);
    sqbind::SqObject root(vm, -1);
    sq_poptop(vm);
    return slot_value(root, name);
}

inline void set_root_value(const char* name, const sqbind::SqObject& value) {
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm) return;
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, name, -1);
    if (value.isNull()) sq_pushnull(vm);
    else value.push(vm);
    sq_newslot(vm, -3, SQFalse);
    sq_settop(vm, top);
}

inline void set_table_int(const sqbind::SqObject& table, const char* name, int value) {
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm || table.type() != OT_TABLE) return;
    SQInteger top = sq_gettop(vm);
    table.push(vm);
    sq_pushstring(vm, name, -1);
    sq_pushinteger(vm, value);
    sq_newslot(vm, -3, SQFalse);
    sq_settop(vm, top);
}

// A slot of a table or instance; null when it is missing. A script that
// leaves out a slot the menus read shows less, it never stops the game.
inline sqbind::SqObject slot_value(const sqbind::SqObject& object, const char* name) {
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm || (object.type() != OT_TABLE && object.type() != OT_INSTANCE)) return {};
    SQInteger top = sq_gettop(vm);
    object.push(vm);
    sq_pushstring(vm, name, -1);
    sqbind::SqObject value;
    if (SQ_SUCCEEDED(sq_get(vm, -2))) value = sqbind::SqObject(vm, -1);
    sq_settop(vm, top);
    return value;
}

// The text stays valid while the object still holds it.
inline const char* slot_text(const sqbind::SqObject& object, const char* name, const char* def) {
    sqbind::SqObject value = slot_value(object, name);
    return value.type() == OT_STRING ? value.toString() : def;
}

inline int table_int(const sqbind::SqObject& table, const char* name, int def) {
    sqbind::SqObject value = slot_value(table, name);
    return value.type() == OT_INTEGER || value.type() == OT_FLOAT ? value.toInt() : def;
}

inline float slot_float(const sqbind::SqObject& object, const char* name, float def) {
    sqbind::SqObject value = slot_value(object, name);
    return value.type() == OT_INTEGER || value.type() == OT_FLOAT ? value.toFloat() : def;
}

inline void set_table_text(const sqbind::SqObject& table, const char* name, const char* text) {
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm || table.type() != OT_TABLE) return;
    SQInteger top = sq_gettop(vm);
    table.push(vm);
    sq_pushstring(vm, name, -1);
    sq_pushstring(vm, text, -1);
    sq_newslot(vm, -3, SQFalse);
    sq_settop(vm, top);
}

// The text a root function of the scripts returns when called without
// arguments; empty when there is no such function or it fails.
inline void call_root_text(const char* name, char* out, size_t size) {
    out[0] = 0;
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm) return;
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, name, -1);
    const SQChar* text = nullptr;
    if (SQ_SUCCEEDED(sq_get(vm, -2)) && sq_gettype(vm, -1) == OT_CLOSURE) {
        sq_pushroottable(vm);
        if (SQ_SUCCEEDED(sq_call(vm, 1, SQTrue, SQFalse)) && SQ_SUCCEEDED(sq_getstring(vm, -1, &text)))
            snprintf(out, size, "%s", text);
    }
    sq_settop(vm, top);
}

inline int world_count() { return worlds.type() == OT_ARRAY ? worlds.size() : 0; }

// The index of the world being played in the universe's list; -1 for none.
inline int current_world_index() {
    sqbind::SqObject w = root_value("cur_world");
    if (w.type() != OT_TABLE) return -1;
    for (int i = 0; i < world_count(); i++) {
        sqbind::SqObject candidate = worlds[i];
        if (candidate.type() == OT_TABLE && candidate.object._unVal.pTable == w.object._unVal.pTable) return i;
    }
    return -1;
}

}  // namespace menu
