#!/usr/bin/env python3
"""Soak run of the game with scripted casting (not run by CI).

Writes a replay that goes from the main menu into play (F9 twice), has a
game world built (Ctrl+G) and then plays for the given number of updates,
drawing a frame after every update: the mana cheat on, the player flies
about, turns, chooses each spell it owns in turn from the spell grid and
casts it with both buttons. The game runs headless from the build's
bin folder; its memory (VmRSS) is sampled every few seconds. At the end the
script reports the first sample taken in play and the last one, and fails
when the game crashed, logged a value that is not a number in the terrain
grids, or reported a script error.

usage: soak_casting.py BIN_DIR [UPDATES] [SIZE]
  UPDATES  updates to play (20 per second of game time); default 12000 (10 min)
  SIZE     window option of the game: -720 (default), -360 or -1024
"""
import os
import re
import subprocess
import sys
import tempfile
import time

# Window sizes of the size options; menus and the spell grid scale with it.
SIZES = {"-360": (640, 360), "-720": (1280, 720), "-1024": (1024, 768)}

VK_LBUTTON, VK_RBUTTON, VK_CONTROL, VK_F9 = 1, 2, 0x11, 0x78
KEY_DOWN, KEY_UP, MOUSE_DOWN, MOUSE_UP, MOUSE_MOVE = 1, 2, 3, 4, 5
PLAY_STARTS = 50  # update by which the game world stands
SPELL_CELLS = 6    # the new game's spells in the grid's first row (the 7th is the portal)


class Replay:
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.lines = ["# Ember Hollows input recording", "seed 7", "a 1 1", "o 1 1"]

    def event(self, update, kind, key, x=None, y=None):
        x = self.w // 2 if x is None else x
        y = self.h // 2 if y is None else y
        self.lines.append("e %d %d %d 0 %d %d" % (update, kind, key, x, y))

    def click(self, update, x, y, button=VK_LBUTTON):
        self.event(update, MOUSE_MOVE, 0, x, y)
        self.event(update + 1, MOUSE_DOWN, button, x, y)
        self.event(update + 3, MOUSE_UP, button, x, y)

    def key(self, update, key, hold=2):
        self.event(update, KEY_DOWN, key)
        self.event(update + hold, KEY_UP, key)

    # The centre of a spell grid cell while the grid is open for choosing.
    def grid_cell(self, cell):
        size = max(self.h // 9, 56)
        gap = size // 8
        x0 = (self.w - (7 * (size + gap) - gap)) // 2
        y0 = (self.h - (2 * (size + gap) - gap)) // 2
        return x0 + (cell % 7) * (size + gap) + size // 2, y0 + (cell // 7) * (size + gap) + size // 2


def make_replay(path, updates, width, height):
    r = Replay(width, height)
    # Main menu -> development mode -> play, then a game world.
    r.key(10, VK_F9)
    r.key(20, VK_F9)
    r.event(30, KEY_DOWN, VK_CONTROL)
    r.key(31, ord("G"))
    r.event(35, KEY_UP, VK_CONTROL)
    cx, cy = width // 2, height // 2
    start = PLAY_STARTS
    # Mana cheat (Ctrl+N); look a little down so casts meet the ground.
    r.event(start, KEY_DOWN, VK_CONTROL)
    r.key(start + 1, ord("N"))
    r.event(start + 4, KEY_UP, VK_CONTROL)
    r.event(start + 6, MOUSE_MOVE, 0, cx, cy + 120)
    r.event(start + 7, MOUSE_MOVE, 0, cx, cy)
    u, round_no = start + 10, 0
    end = start + updates
    while u + 60 < end:
        spell = round_no % SPELL_CELLS
        # Choose the spell for both buttons: hold the grid open and click.
        x, y = r.grid_cell(spell)
        r.event(u, KEY_DOWN, VK_CONTROL)
        r.click(u + 1, x, y, VK_LBUTTON)
        r.click(u + 5, x, y, VK_RBUTTON)
        r.event(u + 9, KEY_UP, VK_CONTROL)
        r.event(u + 10, MOUSE_MOVE, 0, cx, cy)
        # Fly ahead a little while turning, then cast with both buttons.
        r.event(u + 12, KEY_DOWN, ord("W"))
        for t in range(12, 32, 4):
            r.event(u + t, MOUSE_MOVE, 0, cx + 25, cy + (6 if round_no % 2 else -6))
        r.event(u + 32, KEY_UP, ord("W"))
        r.event(u + 34, MOUSE_DOWN, VK_LBUTTON)
        r.event(u + 36, MOUSE_UP, VK_LBUTTON)
        r.event(u + 50, MOUSE_DOWN, VK_RBUTTON)
        r.event(u + 52, MOUSE_UP, VK_RBUTTON)
        u += 60
        round_no += 1
    # One frame after every update (events of an update come before it).
    lines = r.lines[:4]
    events = sorted(r.lines[4:], key=lambda line: int(line.split()[1]))
    i = 0
    for update in range(2, end + 1):
        while i < len(events) and int(events[i].split()[1]) <= update:
            lines.append(events[i])
            i += 1
        lines.append("f %d 0.025" % update)
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    return round_no


def rss_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    bin_dir = os.path.abspath(sys.argv[1])
    updates = int(sys.argv[2]) if len(sys.argv) > 2 else 12000
    size = sys.argv[3] if len(sys.argv) > 3 else "-720"
    width, height = SIZES[size]
    work = tempfile.mkdtemp(prefix="eh_soak_")
    replay = os.path.join(work, "soak_replay.txt")
    rounds = make_replay(replay, updates, width, height)
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen", ALSOFT_DRIVERS="null",
               XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_DATA_HOME=os.path.join(work, "data"))
    log_path = os.path.join(work, "game.log")
    total = PLAY_STARTS + updates
    cmd = [os.path.join(bin_dir, "ember_hollows"), size, "-seed", "7", "-replay", replay, "-quit-after", str(total)]
    print("soak: %s (%d casting rounds), log in %s" % (" ".join(cmd), rounds, log_path), flush=True)
    began = time.time()
    with open(log_path, "w") as log:
        game = subprocess.Popen(cmd, cwd=bin_dir, env=env, stdout=log, stderr=subprocess.STDOUT)
        samples = []  # (seconds, kB, whether play had started)
        while game.poll() is None:
            time.sleep(5)
            kb = rss_kb(game.pid)
            if kb is not None:
                with open(log_path) as f:
                    playing = f.read().count("generated world") >= 2
                samples.append((time.time() - began, kb, playing))
        code = game.wait()
    with open(log_path) as f:
        text = f.read()
    in_play = [s for s in samples if s[2]]
    failures = []
    if code != 0:
        failures.append("the game exited with code %d" % code)
    for pattern in (r"not a number", r"Error in [a-z ]*script", r"FATAL"):
        for m in re.finditer(".*%s.*" % pattern, text):
            failures.append("log: " + m.group(0))
    if "state hash after %d updates" % total not in text:
        failures.append("the game did not run all %d updates" % total)
    print("soak: %.0f s wall, %d updates, %d RSS samples" % (time.time() - began, total, len(samples)))
    if len(in_play) >= 2:
        first, last = in_play[0], in_play[-1]
        peak = max(s[1] for s in in_play)
        print("soak: RSS in play first %d kB (at %.0f s), last %d kB (at %.0f s), peak %d kB, change %+d kB"
              % (first[1], first[0], last[1], last[0], peak, last[1] - first[1]))
    for f in failures:
        print("soak: FAIL: " + f)
    if not failures:
        print("soak: ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
