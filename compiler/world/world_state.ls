// The world in play as a saved game keeps it: the objects and creatures
// with their state, where the player is, and the goal's progress. It goes
// into the game description as "world_state", beside the grids the engine
// saves, and comes back when the first game world entered after a load is
// the one it was saved in (the same rule the grids follow).
import world.population

// Kinds of object a saved world keeps; spells in flight, mana balls and
// triggers are of the moment and are not kept.
#define KEPT_WORLD_CLASSES(X) \
    X(TreeObject)             \
    X(Stone1StaticObject)     \
    X(StoneCup1Object)        \
    X(Menhir1StaticObject)    \
    X(Menhir2StaticObject)    \
    X(ManaGatherer)           \
    X(WorldPortal)            \
    X(CastleObject)           \
    X(GuardTower)             \
    X(SpellObject)            \
    X(WaterSource)            \
    X(LavaSource)             \
    X(NaturalVolcano)         \
    X(ThunderstormObject)     \
    X(BurnEffect)             \
    X(BirdMonster)            \
    X(WyvernMonster)

constexpr const char* WORLD_STATE_SLOT = "world_state";

// Set by a load; the first game world entered afterwards takes the state.
inline bool world_state_pending = false;

namespace {

bool is_kept_class(const char* name) {
#define KEPT_NAME_MATCHES(kind) \
    if (strcmp(name, #kind) == 0) return true;
    KEPT_WORLD_CLASSES(KEPT_NAME_MATCHES)
#undef KEPT_NAME_MATCHES
    return false;
}

PlacedObject* spawn_kept(const char* name) {
#define KEPT_SPAWN_IF_NAMED(kind) \
    if (strcmp(name, #kind) == 0) return spawn(new kind());
    KEPT_WORLD_CLASSES(KEPT_SPAWN_IF_NAMED)
#undef KEPT_SPAWN_IF_NAMED
    return nullptr;
}

// The player's place in the world, how it came into it and which way the
// view faces (older saves end before the view).
void keep_player(Player* p, ViewHeading& view, StateFields& f) {
    f.vec(p->pos);
    f.vec(p->worldStart);
    f.num(p->startMana);
    f.flag(p->fallen);
    f.count(p->leftSpell);
    f.count(p->rightSpell);
    f.num(view.yaw);
    f.num(view.pitch);
}

// Pushes a new array and fills it through keep; leaves it on the stack.
template <class Keep>
void push_record(HSQUIRRELVM vm, const char* name, Keep keep) {
    sq_newarray(vm, 0);
    StateFields f;
    f.vm = vm;
    f.array = sq_gettop(vm);
    if (name) {
        sq_pushstring(vm, name, -1);
        sq_arrayappend(vm, f.array);
    }
    keep(f);
}

// Reads the array on top of the stack through keep, from element `first`.
template <class Keep>
bool read_record(HSQUIRRELVM vm, SQInteger first, Keep keep) {
    StateFields f;
    f.vm = vm;
    f.array = sq_gettop(vm);
    f.loading = true;
    f.next = first;
    keep(f);
    return f.complete;
}

void push_slot(HSQUIRRELVM vm, const char* name) { sq_pushstring(vm, name, -1); }

// The world script's running goal (a plain table, or null).
void push_world_goal(HSQUIRRELVM vm) {
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, "world_goal", -1);
    if (SQ_SUCCEEDED(sq_get(vm, -2))) {
        sq_remove(vm, -2);
        return;
    }
    sq_settop(vm, top);
    sq_pushnull(vm);
}

// Hands the saved goal back to the world script, which announces where it
// stands; a script without that function starts the world's goal afresh.
void resume_world_script(HSQUIRRELVM vm, SQInteger goalIndex) {
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, "resume_current_world", -1);
    if (SQ_FAILED(sq_get(vm, -2)) || sq_gettype(vm, -1) != OT_CLOSURE) {
        sq_settop(vm, top);
        activate_current_world();
        return;
    }
    sq_pushroottable(vm);
    sq_push(vm, goalIndex);
    if (SQ_FAILED(sq_call(vm, 2, SQFalse, SQTrue))) {
        TempString<4096> message;
        message.format("Error in world script:\n%s", sqbind::SquirrelError(vm).desc);
        set_error_message(message);
    }
    sq_settop(vm, top);
}

}  // namespace

// Writes the world in play into the game description (or takes a stale one
// out when no game world is in play).
inline void save_world_state() {
    HSQUIRRELVM vm = cur_game_info.vm;
    if (!vm || cur_game_info.type() != OT_TABLE) return;
    SQInteger top = sq_gettop(vm);
    cur_game_info.push(vm);
    Player* p = static_cast<Player*>(local_player);
    if (!cur_world_key || !p) {
        push_slot(vm, WORLD_STATE_SLOT);
        sq_deleteslot(vm, -2, SQFalse);
        sq_settop(vm, top);
        return;
    }
    push_slot(vm, WORLD_STATE_SLOT);
    sq_newtable(vm);
    push_slot(vm, "key");
    sq_newarray(vm, 0);
    sq_pushinteger(vm, SQInteger(int32_t(uint32_t(cur_world_key))));
    sq_arrayappend(vm, -2);
    sq_pushinteger(vm, SQInteger(int32_t(uint32_t(cur_world_key >> 32))));
    sq_arrayappend(vm, -2);
    sq_newslot(vm, -3, SQFalse);
    push_slot(vm, "player");
    ViewHeading view = current_view_heading();
    push_record(vm, nullptr, [&](StateFields& f) { keep_player(p, view, f); });
    sq_newslot(vm, -3, SQFalse);
    push_slot(vm, "objects");
    sq_newarray(vm, 0);
    for (GameObj* o : GameObj_list) {
        PlacedObject* placed = as_placed(o);
        if (!placed || !is_kept_class(placed->getClassName())) continue;
        push_record(vm, placed->getClassName(), [&](StateFields& f) { placed->keep(f); });
        sq_arrayappend(vm, -2);
    }
    sq_newslot(vm, -3, SQFalse);
    push_slot(vm, "goal");
    push_world_goal(vm);
    sq_newslot(vm, -3, SQFalse);
    sq_newslot(vm, -3, SQFalse);
    sq_settop(vm, top);
}

// After a load: the next game world entered may be the saved one.
inline void expect_saved_world_state() { world_state_pending = true; }

// In a world just generated: when it is the saved one, its objects, the
// player and the goal come back as saved and true is returned; otherwise
// nothing changes (the world is populated afresh).
inline bool resume_saved_world() {
    if (!cur_world_key || !world_state_pending) return false;
    world_state_pending = false;
    HSQUIRRELVM vm = cur_game_info.vm;
    Player* p = static_cast<Player*>(local_player);
    if (!vm || cur_game_info.type() != OT_TABLE || !p) return false;
    SQInteger top = sq_gettop(vm);
    cur_game_info.push(vm);
    push_slot(vm, WORLD_STATE_SLOT);
    SQInteger lo = 0, hi = 0;
    bool same_world = SQ_SUCCEEDED(sq_get(vm, -2)) && sq_gettype(vm, -1) == OT_TABLE;
    SQInteger state = sq_gettop(vm);
    if (same_world) {
        push_slot(vm, "key");
        same_world = SQ_SUCCEEDED(sq_get(vm, state)) && sq_gettype(vm, -1) == OT_ARRAY && sq_getsize(vm, -1) == 2;
        if (same_world) {
            sq_pushinteger(vm, 0);
            same_world = SQ_SUCCEEDED(sq_get(vm, -2)) && SQ_SUCCEEDED(sq_getinteger(vm, -1, &lo));
            sq_pop(vm, 1);
            sq_pushinteger(vm, 1);
            same_world = same_world && SQ_SUCCEEDED(sq_get(vm, -2)) && SQ_SUCCEEDED(sq_getinteger(vm, -1, &hi));
        }
        same_world = same_world && (uint64_t(uint32_t(hi)) << 32 | uint32_t(lo)) == cur_world_key;
    }
    if (!same_world) {
        sq_settop(vm, top);
        return false;
    }
    sq_settop(vm, state);
    int skipped = 0;
    push_slot(vm, "objects");
    if (SQ_SUCCEEDED(sq_get(vm, state)) && sq_gettype(vm, -1) == OT_ARRAY) {
        SQInteger list = sq_gettop(vm), n = sq_getsize(vm, list);
        for (SQInteger i = 0; i < n; i++) {
            sq_settop(vm, list);
            sq_pushinteger(vm, i);
            const SQChar* name = nullptr;
            PlacedObject* o = nullptr;
            if (SQ_SUCCEEDED(sq_get(vm, list)) && sq_gettype(vm, -1) == OT_ARRAY) {
                sq_pushinteger(vm, 0);
                if (SQ_SUCCEEDED(sq_get(vm, -2)) && SQ_SUCCEEDED(sq_getstring(vm, -1, &name))) o = spawn_kept(name);
                sq_pop(vm, 1);
            }
            if (o && !read_record(vm, 1, [&](StateFields& f) { o->keep(f); })) {
                o->destroy();
                o = nullptr;
            }
            if (!o) skipped++;
        }
    }
    sq_settop(vm, state);
    push_slot(vm, "player");
    ViewHeading view{NAN, NAN};
    if (SQ_SUCCEEDED(sq_get(vm, state)) && sq_gettype(vm, -1) == OT_ARRAY)
        read_record(vm, 0, [&](StateFields& f) { keep_player(p, view, f); });
    if (std::isfinite(view.yaw) && std::isfinite(view.pitch)) face_view(view);
    sq_settop(vm, state);
    push_slot(vm, "goal");
    if (SQ_FAILED(sq_get(vm, state))) sq_pushnull(vm);
    resume_world_script(vm, sq_gettop(vm));
    sq_settop(vm, top);
    delete_destroyed_objects();
    if (skipped) debug("saved world: %d objects could not be read and were left out", skipped);
    return true;
}
