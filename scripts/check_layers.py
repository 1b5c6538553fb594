#!/usr/bin/env python3
"""Fails when an #include goes up the folder order of ARCHITECTURE.md.

A file may include headers of its own folder and of folders on lower layers.
The includes that still go upward are listed in ALLOWED, each with its reason;
an upward include not listed fails, and so does a listed one that is gone, so
the list can only shrink.

Usage: scripts/check_layers.py [source root]   (default: the repository)
"""
import os
import re
import sys

# Lowest first; folders on one layer do not include each other.
LAYERS = [
    ["core", "squirrel"],
    ["terrain"],
    ["script"],
    ["render", "sound"],
    ["gui"],
    ["effects", "debug"],
    ["gameobj_host"],
    ["app"],
    ["tools", "compiler"],
]

# (including file, included header): why it is still there.
ALLOWED = {
    ("gameobj_host/gameobj_interface.h", "app/app_globals.h"):
        "the module's export header: it exposes app state to module code",
    ("gameobj_host/gameobj_interface.h", "app/controls.h"):
        "the module's export header: it exposes app controls to module code",
    ("gameobj_host/gameobj_interface.h", "app/game_mode.h"):
        "the module's export header: module screens are game modes",
    ("gameobj_host/gameobj_interface.h", "app/input.h"):
        "the module's export header: the module reads keys and the mouse",
    ("gameobj_host/gameobj_interface.h", "app/splash.h"):
        "the module's export header: the module shows the splash",
    ("gameobj_host/gameobj_interface.h", "app/window.h"):
        "the module's export header: the module reads the window size",
    ("gameobj_host/module_terrain_hooks.cpp", "app/app_globals.h"):
        "reads gfx_quality, now in render/render_options.h; module-guard work is in flight there",
    ("gui/gui_events.h", "app/input.h"):
        "GUI events carry app key codes; input codes belong below gui",
    ("gui/gui_screen.cpp", "app/input.h"):
        "GUI screens read app key state; input codes belong below gui",
    ("gui/gui_screen.cpp", "gameobj_host/gameobj_functions.h"):
        "hides the module's tooltip; needs a GUI hook",
    ("gui/std_behaviors.cpp", "gameobj_host/gameobj_functions.h"):
        "shows the module's tooltip; needs a GUI hook",
    ("render/land_render.cpp", "gameobj_host/gameobj_functions.h"):
        "draws the module's buildings; needs a land-render hook",
    ("script/saved_games.cpp", "gameobj_host/gameobj_functions.h"):
        "saves and loads the module's spells; needs a saved-game hook",
    ("script/world_gen_terrain.cpp", "app/splash.h"):
        "erosion progress shows the splash; needs a progress callback",
    ("script/world_generation.cpp", "app/app_globals.h"):
        "resets the update timer after generation; needs a progress callback",
    ("script/world_generation.cpp", "app/splash.h"):
        "generation progress shows the splash; needs a progress callback",
    ("script/world_generation.cpp", "gameobj_host/gameobj_functions.h"):
        "tells the module of a new world; needs a world-generation hook",
    ("script/world_generation.cpp", "gameobj_host/module_call_guard.h"):
        "guards the local player's calls around a new world; needs a world-generation hook",
    ("script/world_generation.cpp", "gameobj_host/player_base.h"):
        "tells the local player before and after a new world; needs a world-generation hook",
    ("script/world_generation.cpp", "render/device.h"):
        "grabs the last scene for the splash when a device exists; needs a progress callback",
    ("script/world_generation.cpp", "sound/sound_events.h"):
        "stops event sounds and plays the enter-world sound; needs a world-generation hook",
    ("script/world_script.cpp", "app/app_globals.h"):
        "asks whether the universe screen is the current game mode; needs an optional service",
    ("script/world_script.cpp", "gameobj_host/gameobj_functions.h"):
        "binds the module's script functions; needs a world-script hook",
}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]+"')
SOURCE_SUFFIXES = (".h", ".hpp", ".inl", ".c", ".cc", ".cpp")


def layer_of():
    return {folder: level for level, folders in enumerate(LAYERS) for folder in folders}


def upward_includes(root):
    """Yields (file, header) for every include that does not go down."""
    level = layer_of()
    for folder in level:
        for dirpath, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                with open(path, encoding="utf-8", errors="replace") as f:
                    for line in f:
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target = m.group(1)
                        if target == folder or target not in level:
                            continue
                        if level[target] >= level[folder]:
                            yield rel, line.split('"')[1]


def check(root, allowed):
    """Returns (upward includes found, those not allowed, allowed ones gone)."""
    found = set(upward_includes(root))
    return found, sorted(found - set(allowed)), sorted(set(allowed) - found)


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    found, new, gone = check(root, ALLOWED)
    for rel, header in new:
        print(f"{rel}: includes {header}, which is not below it (see ARCHITECTURE.md)")
    for rel, header in gone:
        print(f"{rel}: no longer includes {header}; remove it from ALLOWED in {argv[0]}")
    pairs = sorted({(a.split("/")[0], b.split("/")[0]) for a, b in found})
    print(f"layer check: {len(found)} upward includes allowed "
          f"({', '.join(f'{a}->{b}' for a, b in pairs) or 'none'}), "
          f"{len(new)} new, {len(gone)} stale")
    return 1 if new or gone else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
