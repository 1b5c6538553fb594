// The spell grid, the spell bar and saving the player's spells with the game.
import spells.spell_bar
import world.world_state

void add_spell_to_grid() {}
void pick_up_spell() {}
void find_spell_in_grid() {}
void player_has_spell() {}
void add_initial_spells() { give_initial_spells(); }
void add_all_spells() {
    for (int k = 0; k < SPELL_KIND_COUNT; k++) give_spell(k);
}
void init_spell_grid() { make_spell_grid(); }

// The spells go into the game description as {spells = [names], health,
// mana}, so a loaded game gives back what the player had; the world in play
// goes with them.
void save_spells() {
    save_world_state();
    HSQUIRRELVM vm = cur_game_info.vm;
    Player* p = static_cast<Player*>(local_player);
    if (!vm || cur_game_info.type() != OT_TABLE || !p) return;
    SQInteger top = sq_gettop(vm);
    cur_game_info.push(vm);
    sq_pushstring(vm, "spells", -1);
    sq_newarray(vm, 0);
    for (Spell* s : spell_grid) {
        if (!s) continue;
        sq_pushstring(vm, spell_info(s->kind).name, -1);
        sq_arrayappend(vm, -2);
    }
    sq_newslot(vm, -3, SQFalse);
    sq_pushstring(vm, "player_health", -1);
    sq_pushfloat(vm, p->health);
    sq_newslot(vm, -3, SQFalse);
    sq_pushstring(vm, "player_mana", -1);
    sq_pushfloat(vm, p->mana);
    sq_newslot(vm, -3, SQFalse);
    sq_settop(vm, top);
}

void load_spells() {
    expect_saved_world_state();
    HSQUIRRELVM vm = cur_game_info.vm;
    Player* p = static_cast<Player*>(local_player);
    if (!vm || cur_game_info.type() != OT_TABLE) return;
    SQInteger top = sq_gettop(vm);
    cur_game_info.push(vm);
    sq_pushstring(vm, "spells", -1);
    if (SQ_SUCCEEDED(sq_get(vm, -2)) && sq_gettype(vm, -1) == OT_ARRAY) {
        clear_spell_grid();
        delete_destroyed_objects();
        sq_pushnull(vm);
        while (SQ_SUCCEEDED(sq_next(vm, -2))) {
            const SQChar* name = nullptr;
            if (SQ_SUCCEEDED(sq_getstring(vm, -1, &name))) give_spell(spell_kind_by_name(name));
            sq_pop(vm, 2);
        }
        sq_pop(vm, 1);
    }
    sq_settop(vm, top);
    if (!p) return;
    cur_game_info.push(vm);
    SQFloat v;
    sq_pushstring(vm, "player_health", -1);
    if (SQ_SUCCEEDED(sq_get(vm, -2)) && SQ_SUCCEEDED(sq_getfloat(vm, -1, &v))) p->health = v;
    sq_settop(vm, top + 1);
    sq_pushstring(vm, "player_mana", -1);
    if (SQ_SUCCEEDED(sq_get(vm, -2)) && SQ_SUCCEEDED(sq_getfloat(vm, -1, &v))) p->mana = v;
    sq_settop(vm, top);
}

void init_spells_ui() { make_spell_grid(); }
void close_spells_ui() {}
void spells_ui_after_resize() {}
void start_spell_pick_up_anim() {}
void draw_spells_ui(float dt) {
    (void)dt;
    draw_spell_bar();
}
void update_spells_ui(float dt) { update_spell_bar(dt); }
bool update_spells_ui_mouse(float dt) {
    (void)dt;
    return spell_bar_takes_mouse();
}
