#pragma once
// The module's functions the engine calls, looked up by name at every bind.
// Every pointer is null while no module is bound: callers test the pointer
// before calling (e.g. `if (gameobj_functions.spawn_water_vapor_fx) ...`).
// While bound, each pointer leads to an engine function that runs the
// module's own under the module call guard (module_call_guard.h): a fault in
// it returns an empty result (0, false) to the caller.

struct SQVM;

// The terrain renderer passes the cell's HeightmapData::Surface record; the
// table keeps it untyped so this header stays free of terrain types.
using GameObjSurfaceRecord = void;

// X(name, function type), in binding order.
#define GAMEOBJ_FUNCTIONS(X) \
    X(toggle_mana_cheat, void()) \
    X(add_source_water, void()) \
    X(add_water_source, void()) \
    X(simulate_water, void()) \
    X(carve_crack, void()) \
    X(volcano_cone, void()) \
    X(add_source_lava, void()) \
    X(add_magic_volcano, void()) \
    X(pick_lightning_target, void()) \
    X(cast_lightning, void()) \
    X(apply_fireball, void()) \
    X(add_water_globe, void()) \
    X(create_hill, void()) \
    X(add_spell_to_grid, void()) \
    X(save_spells, void()) \
    X(load_spells, void()) \
    X(pick_up_spell, void()) \
    X(find_spell_in_grid, void()) \
    X(player_has_spell, void()) \
    X(add_initial_spells, void()) \
    X(add_all_spells, void()) \
    X(init_spell_grid, void()) \
    X(spawn_monster, void()) \
    X(remove_all_monsters, void()) \
    X(toggle_monster_spawn, void()) \
    X(spawn_monsters, void()) \
    X(init_inst_render, void()) \
    X(do_inst_render, void()) \
    X(render_gameobj_shadow, void(float dt)) \
    X(calc_land_norm, void()) \
    X(render_building, void(GameObjSurfaceRecord* surface, int x, int z)) \
    X(spawn_fireball_fx, void()) \
    X(fireball_explode_fx, void()) \
    X(spawn_waterball_missile_fx, void()) \
    X(spawn_magic_missile_fx, void()) \
    X(spawn_water_source_fx, void()) \
    X(spawn_water_sink_fx, void()) \
    X(spawn_meteor_fx, void()) \
    X(meteor_explode_fx, void()) \
    X(wyvern_death_fx, void()) \
    X(spawn_spellobj_fx, void()) \
    X(lightning_hit_fx, void()) \
    X(spawn_water_vapor_fx, void(int x, int z, float height, float amount)) \
    X(spawn_volcano_smoke_fx, void()) \
    X(init_fx_data, void()) \
    X(hide_tooltip, void()) \
    X(show_tooltip, void(const char* text)) \
    X(update_tooltip, void()) \
    X(render_tooltip, void()) \
    X(init_tooltip, void()) \
    X(set_radio, void()) \
    X(get_radio, void()) \
    X(place_popup, void()) \
    X(init_new_gui, void()) \
    X(render_world_map, void()) \
    X(render_dev_world_map, void(float dt)) \
    X(init_map_ui, void()) \
    X(init_spells_ui, void()) \
    X(close_spells_ui, void()) \
    X(spells_ui_after_resize, void()) \
    X(start_spell_pick_up_anim, void()) \
    X(show_screen_message, void()) \
    X(draw_spells_ui, void(float dt)) \
    X(update_spells_ui, void(float dt)) \
    X(update_spells_ui_mouse, bool(float dt)) \
    X(safely_close_game_menu, void()) \
    X(reset_game_ui_screen, void()) \
    X(set_game_ui_screen, void()) \
    X(open_game_menu, void()) \
    X(open_main_menu, void()) \
    X(open_cheat_menu, void()) \
    X(close_game_menu, void()) \
    X(update_game_menu, void(float dt)) \
    X(draw_game_menu, void(float dt)) \
    X(set_world_icon_params, void()) \
    X(open_universe_gui, void()) \
    X(get_local_player, void()) \
    X(get_land_height, float(float x, float z)) \
    X(are_any_monsters_alive, void()) \
    X(update_gameobj, void(float dt)) \
    X(render_gameobj, void(float dt)) \
    X(render_debug_vis_gameobj, void(float dt)) \
    X(remove_all_gameobj, void()) \
    X(init_gameobj, void()) \
    X(close_gameobj, void()) \
    X(delete_gameobj, void()) \
    X(new_gameobj_by_id, void()) \
    X(gameobj_id_by_name, void()) \
    X(bind_gameobj, void(SQVM* vm))

struct GameObjFunctions {
#define GAMEOBJ_FUNCTION_MEMBER(name, type) \
    using name##_fn = type;                \
    name##_fn* name;
    GAMEOBJ_FUNCTIONS(GAMEOBJ_FUNCTION_MEMBER)
#undef GAMEOBJ_FUNCTION_MEMBER
};

constexpr int GAMEOBJ_FUNCTION_COUNT = 89;
static_assert(sizeof(GameObjFunctions) == GAMEOBJ_FUNCTION_COUNT * sizeof(void*),
              "one pointer per bound module function");

// The names in binding order; entry n names the n-th pointer of the table.
extern const char* const GAMEOBJ_FUNCTION_NAMES[GAMEOBJ_FUNCTION_COUNT];

// Filled by bind_gameobj_module, cleared by unbind_gameobj_module.
extern GameObjFunctions gameobj_functions;

// Binds the table to the module's functions (entries in binding order, all
// set), or with null unbinds it.
void set_gameobj_function_entries(void* const* entries);
