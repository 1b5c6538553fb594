// The engine's entry points for the world's objects: start, update, draw,
// remove, and the script binding.
import world.population
import spells.spell_bar
import world.grid_watch
import world.world_state

namespace {
// Cast targets and sounds that belong to the world's objects go with them;
// the player and the spells the player owns stay across worlds.
bool survives_world_change(GameObj* o) {
    if (static_cast<GameObj*>(local_player) == o) return true;
    for (Spell* s : spell_grid)
        if (static_cast<GameObj*>(s) == o) return true;
    return false;
}

float spawn_clock = 60.f;
}  // namespace

void init_gameobj() {
    make_spell_grid();
    if (local_player) return;
    local_player = spawn(new Player());
    give_initial_spells();
}

void update_gameobj(float dt) {
    // Objects spawned during the update wait for the next one.
    int count = GameObj_list.num;
    for (int i = 0; i < count && i < GameObj_list.num; i++) {
        GameObj* object = GameObj_list[i];
        if (object->destroyState == OBJ_ALIVE) object->update(dt);
    }
    update_world_script(dt);
    watch_village_houses();
    watch_grids(dt);
    if (monster_spawn_enabled_flag && (spawn_clock -= dt) <= 0.f) {
        spawn_clock = 90.f;
        if (WyvernMonster_list.num < 3) spawn_wyvern(hostile_home());
    }
    delete_destroyed_objects();
}

void render_gameobj(float dt) {
    for (GameObj* object : GameObj_list) {
        if (object->destroyState != OBJ_ALIVE) continue;
        // Out of view, nothing is queued: its vertices cost the device too.
        // The reach covers the tallest meshes standing on the object's place.
        PlacedObject* placed = as_placed(object);
        if (placed && !ball_in_view(placed->pos, placed->radius * 2.f + 10.f)) continue;
        object->render(dt);
    }
    flush_object_meshes();
}

void render_gameobj_shadow(float dt) {
    for (GameObj* object : GameObj_list)
        if (object->destroyState == OBJ_ALIVE) object->renderShadow(dt);
}

void render_debug_vis_gameobj(float dt) {
    for (GameObj* object : GameObj_list) object->renderDebugVis(dt);
}

// Removes the world's objects before a new world is built.
void remove_all_gameobj() {
    for (GameObj* object : GameObj_list)
        if (!survives_world_change(object)) object->destroy();
    delete_destroyed_objects();
}

void close_gameobj() {
    for (Spell*& cell : spell_grid) cell = nullptr;
    for (GameObj* object : GameObj_list) object->destroy();
    delete_destroyed_objects();
    local_player = nullptr;
    release_object_meshes();
}

void delete_gameobj() { delete_destroyed_objects(); }

void new_gameobj_by_id() {}
void gameobj_id_by_name() {}
void get_local_player() {}

float get_land_height(float x, float z) { return ground_height(x, z); }

void toggle_mana_cheat() {
    if (!local_player) return;
    Player* player = static_cast<Player*>(local_player);
    player->manaCheat = !player->manaCheat;
    debug("mana cheat %s", player->manaCheat ? "on" : "off");
}

void spawn_monster() {
    Vec3 home = player_position();
    home.y = surface_height(home.x, home.z);
    spawn_wyvern(home + Vec3(40.f, 0, 0));
}

void remove_all_monsters() {
    for (WyvernMonster* w : WyvernMonster_list) w->destroy();
    for (BirdMonster* b : BirdMonster_list) b->destroy();
    delete_destroyed_objects();
}

void toggle_monster_spawn() {
    monster_spawn_enabled_flag = !monster_spawn_enabled_flag;
    if (!monster_spawn_enabled_flag) remove_all_monsters();
    debug("monster spawn %s", monster_spawn_enabled_flag ? "on" : "off");
}

void spawn_monsters() {
    for (int i = 0; i < 2; i++) spawn_wyvern(hostile_home());
}

void are_any_monsters_alive() {}

// ---- script binding ----

namespace {
int count_gameobjs() { return GameObj_list.num; }
int count_hostile_objects() { return count_hostiles(); }
// Casts a spell by name at (x, z) for the player, as the spell bar does;
// returns "" on success, else why it failed. Worlds' scripts and tests use
// it.
}  // namespace

const char* cast_spell_by_name(const char* name, float x, float z) {
    int kind = spell_kind_by_name(name);
    if (kind == SPELL_NONE) return "unknown spell";
    const char* failed = cast_spell(kind, Vec3(x, surface_height(x, z), z));
    return failed ? failed : "";
}

// The same at the crosshair, as the cast buttons do.
const char* cast_spell_at_crosshair_by_name(const char* name) {
    int kind = spell_kind_by_name(name);
    if (kind == SPELL_NONE) return "unknown spell";
    const char* failed = cast_spell_at_crosshair(kind);
    return failed ? failed : "";
}

// Hurts the player as an attacker at (x, z) would: for tests and tools.
void hurt_player_from(float damage, float x, float z, const char* by) {
    if (local_player) static_cast<Player*>(local_player)->hurt(damage, Vec3(x, surface_height(x, z), z), by);
}

namespace {
bool script_give_spell(const char* name) { return give_spell(spell_kind_by_name(name)); }

// Living objects of the class with that name (0 for unknown names).
int count_objects(const char* class_name) {
    int n = 0;
#define COUNT_IF_NAMED(name)                                                 \
    if (strcmp(class_name, #name) == 0)                                      \
        for (name* o : name##_list)                                          \
            if (static_cast<BaseObject*>(o)->destroyState == OBJ_ALIVE) n++;
    GAMEOBJ_LISTED_CLASSES(COUNT_IF_NAMED)
#undef COUNT_IF_NAMED
    return n;
}

// Wyverns coming in from random places, for worlds whose goal is to hunt.
void spawn_wyverns(int count) {
    for (int i = 0; i < count; i++) spawn_wyvern(hostile_home());
}

void show_message(const char* text) { show_hud_message(text); }
void goal_met(const char* text) { show_goal_met(text); }
}  // namespace

void bind_gameobj(SQVM* vm) {
    sqbind::SqClassBinder<Player>(vm, "Player");
    sqbind::bind_func(vm, "count_gameobjs", &count_gameobjs);
    sqbind::bind_func(vm, "count_hostile_objects", &count_hostile_objects);
    sqbind::bind_func(vm, "cast_spell", &cast_spell_by_name);
    sqbind::bind_func(vm, "give_spell", &script_give_spell);
    sqbind::bind_func(vm, "count_objects", &count_objects);
    sqbind::bind_func(vm, "spawn_wyverns", &spawn_wyverns);
    sqbind::bind_func(vm, "mark_town_houses", &village::mark_town_houses);
    sqbind::bind_func(vm, "show_message", &show_message);
    sqbind::bind_func(vm, "goal_met", &goal_met);
}
