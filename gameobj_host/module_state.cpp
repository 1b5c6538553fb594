#include "gameobj_host/module_screens.h"
#include "core/debug.h"
#include "gameobj_host/module_call_guard.h"
#include "gameobj_host/module_state.h"
#include "gameobj_host/player_base.h"

PlayerBase* local_player = nullptr;

bool spells_ui_active = false;
bool need_game_restart = false;
bool should_close_game_menu = false;
int crosshair_type = 0;

DynArray<Spell*> spell_grid;
int spell_grid_nx = 0;
int spell_grid_ny = 0;

#define GAMEOBJ_DEFINE_SCREEN(name)       \
    BaseGuiScreen* name##_screen = nullptr; \
    ModuleScreenFactory create_##name##_screen = nullptr;
GAMEOBJ_MODULE_SCREENS(GAMEOBJ_DEFINE_SCREEN)
#undef GAMEOBJ_DEFINE_SCREEN


// A screen whose detach faulted (or was skipped after a fault) may still
// lead into the module's code: the engine lets go of it.
static void abandon_screen(BaseGuiScreen*& screen) {
    debug("a module screen could not be detached and is left behind");
    if (cur_game_screen == screen) cur_game_screen = nullptr;
    screen = nullptr;
}

void detach_module_screens() {
#define GAMEOBJ_DETACH_SCREEN(name)                                                                       \
    if (name##_screen && !run_module_code("detachFromModule", [] { name##_screen->detachFromModule(); })) \
        abandon_screen(name##_screen);                                                                    \
    create_##name##_screen = nullptr;
    GAMEOBJ_MODULE_SCREENS(GAMEOBJ_DETACH_SCREEN)
#undef GAMEOBJ_DETACH_SCREEN
}

void empty_module_styles() {
    tooltip_style.removeAll();
    spells_style.removeAll();
    common_style.removeAll();
}
