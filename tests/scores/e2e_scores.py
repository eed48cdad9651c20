#!/usr/bin/env python3
"""The score files of the real program, end to end.

Usage: tests/support/xvfb.sh e2e_scores.py PROGRAM SOURCE_DIR [CASE]

first_game (the default): no click after the title: the first thing to
reach the princess ends the game with 0 points, which takes first place in a
fresh directory. The name entry opens with "kiri" (a typed "nana" after it
gives "kirinana"), Esc and the main window's close box do nothing, Enter
stores the row, the title returns, and the menu's list shows the new first
row.

display_lost: the X server is killed under the open name entry: the program
ends and leaves no temporary file behind.

Uses the desktop program's own test driver (tests/app/gamedriver.py).
"""

import glob
import os
import signal
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))

from gamedriver import Game, Screens, run_case  # noqa: E402
from xdisplay import Display, check, wait_for  # noqa: E402


def temp_files(folder):
    """The game's temporary files in `folder`."""
    return glob.glob(os.path.join(folder, "work*.temp"))


def display_lost(program, source_dir):
    screens = Screens(source_dir)
    display = Display()
    server = int(os.environ.get("XVFB_PID", "0"))
    check(server > 0, "no XVFB_PID: run the test through tests/support/xvfb.sh")
    with Game(display, program) as game:
        screens.play_to_name_entry(game)
        check(len(temp_files(game.dir)) == 1, "no temporary file under the name entry")
        os.kill(server, signal.SIGKILL)
        check(game.wait_exit() != 0, "the program ended with status 0")
        check(not temp_files(game.dir), "a temporary file was left: %s" % temp_files(game.dir))
        check(not os.path.exists(os.path.join(game.dir, "score.sav")), "a row was stored")


def first_game(program, source_dir):
    screens = Screens(source_dir)
    display = Display()
    with Game(display, program) as game:
        score_file = os.path.join(game.dir, "score.sav")
        entry = screens.play_to_name_entry(game)
        temps = temp_files(game.dir)
        check(len(temps) == 1, "temporary files: %s" % temps)
        with open(temps[0], "rb") as f:
            check(f.read() == b"1", "the place handed to the dialog")
        check(not os.path.exists(score_file), "score.sav written before OK")
        # The game stands still behind the dialog (above it: the entry's
        # cursor blinks).
        game.check_still("a tick ran behind the dialog", rows=150)

        # Esc does nothing, and the main window takes no input while the
        # dialog is open, not even its close box.
        display.keys(entry, "Escape")
        display.settle(entry)
        check(game.find("ゲームオーバー"), "Esc closed the name entry")
        display.ask_to_close(game.window)
        display.settle(game.window)
        check(game.alive() and game.find("ゲームオーバー"), "the main window closed under the dialog")
        display.keys(entry, "End")
        display.type("nana")
        display.run("xdotool", "key", "Return")
        wait_for("the name entry to close", lambda: game.find("ゲームオーバー") is None)
        game.wait_frame("the title screen", screens.is_title)
        with open(score_file, "rb") as f:
            stored = f.read()
        check(stored == b"0 kirinana\n0 kiri\n0 kiri\n0 kiri\n0 kiri\n",
              "score.sav holds %r" % stored)
        check(not temp_files(game.dir), "a temporary file was left behind")

        game.menu("f", "s")
        listing = wait_for("the top five", lambda: game.find("ハイスコア"))
        # Rows 1 and 2 lie 68 and 101 pixels down; the longer name inks more.
        def longer_name_first():
            shot = display.window_shot(listing)
            return shot.inked(68, 25) > shot.inked(101, 25) > 0
        wait_for("the first row to show the longer name", longer_name_first)
        display.keys(listing, "Escape")
        display.settle(listing)
        check(game.find("ハイスコア"), "Esc closed the list")
        display.keys(listing, "Return")
        wait_for("the list to close", lambda: game.find("ハイスコア") is None)
        check(game.alive(), "the program ended")


def main():
    program, source_dir = sys.argv[1:3]
    case = sys.argv[3] if len(sys.argv) > 3 else "first_game"
    cases = {"first_game": ("first game stored", first_game),
             "display_lost": ("display lost under the name entry", display_lost)}
    name, run = cases[case]
    return run_case(name, lambda: run(program, source_dir))


if __name__ == "__main__":
    sys.exit(main())
