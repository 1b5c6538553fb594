#!/usr/bin/env python3
"""The layer check on a small made-up tree: an include down passes, one up
or sideways fails unless allowed, and an allowed one that is gone fails."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
import check_layers  # noqa: E402


def write(root, rel, text):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


class LayerCheck(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.root = self.tmp.name
        write(self.root, "core/debug.h", "#pragma once\n")
        write(self.root, "render/device.cpp", '#include "render/device.h"\n#include "core/debug.h"\n')
        write(self.root, "app/frame.cpp", '#include "render/device.h"\n#include <SDL2/SDL.h>\n')

    def tearDown(self):
        self.tmp.cleanup()

    def test_includes_going_down_pass(self):
        self.assertEqual(check_layers.check(self.root, {}), (set(), [], []))

    def test_an_include_going_up_fails_unless_allowed(self):
        write(self.root, "render/postfx.cpp", '  #  include "app/app_globals.h"  // options\n')
        up = ("render/postfx.cpp", "app/app_globals.h")
        self.assertEqual(check_layers.check(self.root, {})[1], [up])
        self.assertEqual(check_layers.check(self.root, {up: "why"})[1:], ([], []))

    def test_folders_on_one_layer_do_not_include_each_other(self):
        write(self.root, "sound/sound_events.cpp", '#include "render/device.h"\n')
        self.assertEqual(check_layers.check(self.root, {})[1], [("sound/sound_events.cpp", "render/device.h")])

    def test_an_allowed_include_that_is_gone_fails(self):
        gone = ("render/postfx.cpp", "app/app_globals.h")
        self.assertEqual(check_layers.check(self.root, {gone: "why"})[2], [gone])

    def test_the_source_tree_passes(self):
        root = os.path.join(os.path.dirname(__file__), "..", "..")
        _, new, gone = check_layers.check(root, check_layers.ALLOWED)
        self.assertEqual((new, gone), ([], []))


if __name__ == "__main__":
    unittest.main()
