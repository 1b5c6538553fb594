#pragma once
// The module's functions the engine calls, looked up by name at every bind.
// Every pointer is null while no module is bound: callers test the pointer
// before calling (e.g. `if (gameobj_functions.spawn_water_vapor_fx) ...`).

struct SQVM;

// The terrain renderer passes the cell's HeightmapData::Surface record; the
// table keeps it untyped so this header stays free of terrain types.
using GameObjSurfaceRecord = void;

struct GameObjFunctions {
    using Action = void (*)();
    using StepAction = void (*)(float dt);

    Action toggle_mana_cheat;
    Action add_source_water;
    Action add_water_source;
    Action simulate_water;
    Action carve_crack;
    Action volcano_cone;
    Action add_source_lava;
    Action add_magic_volcano;
    Action pick_lightning_target;
    Action cast_lightning;
    Action apply_fireball;
    Action add_water_globe;
    Action create_hill;
    Action add_spell_to_grid;
    Action save_spells;
    Action load_spells;
    Action pick_up_spell;
    Action find_spell_in_grid;
    Action player_has_spell;
    Action add_initial_spells;
    Action add_all_spells;
    Action init_spell_grid;
    Action spawn_monster;
    Action remove_all_monsters;
    Action toggle_monster_spawn;
    Action spawn_monsters;
    Action init_inst_render;
    Action do_inst_render;
    StepAction render_gameobj_shadow;
    Action calc_land_norm;
    void (*render_building)(GameObjSurfaceRecord* surface, int x, int z);
    Action spawn_fireball_fx;
    Action fireball_explode_fx;
    Action spawn_waterball_missile_fx;
    Action spawn_magic_missile_fx;
    Action spawn_water_source_fx;
    Action spawn_water_sink_fx;
    Action spawn_meteor_fx;
    Action meteor_explode_fx;
    Action wyvern_death_fx;
    Action spawn_spellobj_fx;
    Action lightning_hit_fx;
    void (*spawn_water_vapor_fx)(int x, int z, float a, float b);
    Action spawn_volcano_smoke_fx;
    Action init_fx_data;
    Action hide_tooltip;
    void (*show_tooltip)(const char* text);
    Action update_tooltip;
    Action render_tooltip;
    Action init_tooltip;
    Action set_radio;
    Action get_radio;
    Action place_popup;
    Action init_new_gui;
    Action render_world_map;
    StepAction render_dev_world_map;
    Action init_map_ui;
    Action init_spells_ui;
    Action close_spells_ui;
    Action spells_ui_after_resize;
    Action start_spell_pick_up_anim;
    Action show_screen_message;
    StepAction draw_spells_ui;
    StepAction update_spells_ui;
    bool (*update_spells_ui_mouse)(float dt);
    Action safely_close_game_menu;
    Action reset_game_ui_screen;
    Action set_game_ui_screen;
    Action open_game_menu;
    Action open_main_menu;
    Action open_cheat_menu;
    Action close_game_menu;
    StepAction update_game_menu;
    StepAction draw_game_menu;
    Action set_world_icon_params;
    Action open_universe_gui;
    Action get_local_player;
    float (*get_land_height)(float x, float z);
    Action are_any_monsters_alive;
    StepAction update_gameobj;
    StepAction render_gameobj;
    StepAction render_debug_vis_gameobj;
    Action remove_all_gameobj;
    Action init_gameobj;
    Action close_gameobj;
    Action delete_gameobj;
    Action new_gameobj_by_id;
    Action gameobj_id_by_name;
    void (*bind_gameobj)(SQVM* vm);
};

constexpr int GAMEOBJ_FUNCTION_COUNT = 89;
static_assert(sizeof(GameObjFunctions) == GAMEOBJ_FUNCTION_COUNT * sizeof(void*),
              "one pointer per bound module function");

// The names in binding order; entry n names the n-th pointer of the table.
extern const char* const GAMEOBJ_FUNCTION_NAMES[GAMEOBJ_FUNCTION_COUNT];

// Filled by bind_gameobj_module, cleared by unbind_gameobj_module.
extern GameObjFunctions gameobj_functions;
