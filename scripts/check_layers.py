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
