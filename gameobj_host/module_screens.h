#pragma once
// The module's screens, held by the engine so they survive a module reload.
// Before the module image is freed the host calls each live screen's third
// virtual operation (after the destructor's), after which the screen no
// longer needs the module's code, and forgets the module's factories.
//
// The GUI runtime's screen class takes ModuleScreen's place when it exists;
// until then the host knows a screen only through these operations.

struct ModuleScreen {
    virtual ~ModuleScreen() = default;
    virtual void resetState() {}
    // Drops everything that points into the module's code.
    virtual void detachFromModule() {}
};

using ModuleScreenFactory = ModuleScreen* (*)();

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
    extern ModuleScreen* name##_screen; \
    extern ModuleScreenFactory create_##name##_screen;
GAMEOBJ_MODULE_SCREENS(GAMEOBJ_DECLARE_SCREEN)
#undef GAMEOBJ_DECLARE_SCREEN

// The module's style sheets; kept as the module sets them until the GUI
// runtime's style type exists.
extern void* tooltip_style;
extern void* spells_style;
extern void* common_style;

// Releases the module's hold on every live screen (see above).
void detach_module_screens();
