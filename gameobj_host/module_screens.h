#pragma once
// The module's screens, held by the engine so they survive a module reload.
// Before the module image is freed the host calls each live screen's third
// virtual operation (detachFromModule, after the destructor and resetState),
// after which the screen no longer needs the module's code, and forgets the
// module's factories.
#include "gui/gui_screen.h"
#include "gui/gui_style.h"

using ModuleScreenFactory = BaseGuiScreen* (*)();

// In the order the host releases them.
#define GAMEOBJ_MODULE_SCREENS(X) \
    X(tooltip)                    \
    X(spells_gui)                 \
    X(cheat_menu)                 \
    X(game_controls)              \
    X(game_options)               \
    X(game_slot)                  \
    X(new_game_note)              \
    X(main_menu)                  \
    X(credits)                    \
    X(game_menu)                  \
    X(enter_world)                \
    X(universe)

// name_screen: the live screen or null; create_name_screen: its factory.
#define GAMEOBJ_DECLARE_SCREEN(name)      \
    extern BaseGuiScreen* name##_screen; \
    extern ModuleScreenFactory create_##name##_screen;
GAMEOBJ_MODULE_SCREENS(GAMEOBJ_DECLARE_SCREEN)
#undef GAMEOBJ_DECLARE_SCREEN

// Releases the module's hold on every live screen (see above).
void detach_module_screens();
// Empties the styles the module filled (tooltip, spells, common), whose
// selectors and properties are the module's.
void empty_module_styles();
