// The functions the engine binds by name. What the engine calls works; the
// functions only the module itself will use (spells, monsters, effects,
// screens) are placeholders until that gameplay exists.
import objects.common
import objects.player
import objects.scenery

namespace {
bool monster_spawn_enabled = true;
const char* tooltip_text = nullptr;
}  // namespace

// ---- objects ----

void init_gameobj() {
    if (local_player) return;
    local_player = spawn(new Player());
    spawn_scenery();
}

void update_gameobj(float dt) {
    // Objects spawned during the update wait for the next one.
    int count = GameObj_list.num;
    for (int i = 0; i < count && i < GameObj_list.num; i++) {
        GameObj* object = GameObj_list[i];
        if (object->destroyState == OBJ_ALIVE) object->update(dt);
    }
    delete_destroyed_objects();
}

void render_gameobj(float dt) {
    for (GameObj* object : GameObj_list) object->render(dt);
}

void render_gameobj_shadow(float dt) {
    for (GameObj* object : GameObj_list) object->renderShadow(dt);
}

void render_debug_vis_gameobj(float dt) {
    for (GameObj* object : GameObj_list) object->renderDebugVis(dt);
}

// Removes the world's objects; the player stays.
void remove_all_gameobj() {
    for (GameObj* object : GameObj_list)
        if (static_cast<GameObj*>(local_player) != object) object->destroy();
    delete_destroyed_objects();
}

void close_gameobj() {
    for (GameObj* object : GameObj_list) object->destroy();
    delete_destroyed_objects();
    local_player = nullptr;
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

void toggle_monster_spawn() {
    monster_spawn_enabled = !monster_spawn_enabled;
    debug("monster spawn %s", monster_spawn_enabled ? "on" : "off");
}

// ---- script binding ----

namespace {
int count_gameobjs() { return GameObj_list.num; }
const char* player_class_name(Player* player) { return player->getClassName(); }
}  // namespace

void bind_gameobj(SQVM* vm) {
    sqbind::SqClassBinder<Player>(vm, "Player");
    sqbind::bind_func(vm, "count_gameobjs", &count_gameobjs);
    (void)&player_class_name;
}

// ---- effects ----

void spawn_water_vapor_fx(int x, int z, float height, float amount) {
    (void)x, (void)z, (void)height;
    HeightmapData::water_vapor_accum += amount;
}

void spawn_fireball_fx() {}
void fireball_explode_fx() {}
void spawn_waterball_missile_fx() {}
void spawn_magic_missile_fx() {}
void spawn_water_source_fx() {}
void spawn_water_sink_fx() {}
void spawn_meteor_fx() {}
void meteor_explode_fx() {}
void wyvern_death_fx() {}
void spawn_spellobj_fx() {}
void lightning_hit_fx() {}
void spawn_volcano_smoke_fx() {}
void init_fx_data() {}

// ---- world changes by spells ----

void add_source_water() {}
void add_water_source() {}
void simulate_water() {}
void carve_crack() {}
void volcano_cone() {}
void add_source_lava() {}
void add_magic_volcano() {}
void pick_lightning_target() {}
void cast_lightning() {}
void apply_fireball() {}
void add_water_globe() {}
void create_hill() {}

// ---- spells ----

void add_spell_to_grid() {}
void save_spells() {}
void load_spells() {}
void pick_up_spell() {}
void find_spell_in_grid() {}
void player_has_spell() {}
void add_initial_spells() {}
void add_all_spells() {}
void init_spell_grid() {}

// ---- monsters ----

void spawn_monster() {}
void remove_all_monsters() {}
void spawn_monsters() {}
void are_any_monsters_alive() {}

// ---- rendering ----

void init_inst_render() {}
void do_inst_render() {}
void calc_land_norm() {}
void render_building(GameObjSurfaceRecord* surface, int x, int z) { (void)surface, (void)x, (void)z; }

// ---- screens ----

void hide_tooltip() { tooltip_text = nullptr; }
void show_tooltip(const char* text) { tooltip_text = text; }
void update_tooltip() {}
void render_tooltip() {}
void init_tooltip() {}
void set_radio() {}
void get_radio() {}
void place_popup() {}
void init_new_gui() {}
void render_world_map() {}
void render_dev_world_map(float dt) { (void)dt; }
void init_map_ui() {}
void init_spells_ui() {}
void close_spells_ui() {}
void spells_ui_after_resize() {}
void start_spell_pick_up_anim() {}
void show_screen_message() {}
void draw_spells_ui(float dt) { (void)dt; }
void update_spells_ui(float dt) { (void)dt; }
bool update_spells_ui_mouse(float dt) {
    (void)dt;
    return false;
}
void safely_close_game_menu() {}
void reset_game_ui_screen() {}
void set_game_ui_screen() {}
void open_game_menu() {}
void open_main_menu() {}
void open_cheat_menu() {}
void close_game_menu() {}
void update_game_menu(float dt) { (void)dt; }
void draw_game_menu(float dt) { (void)dt; }
void set_world_icon_params() {}
void open_universe_gui() {}
void link_gui() { debug("gameobj build %d linked", GAMEOBJ_BUILD_ID); }
