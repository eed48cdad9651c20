#!/usr/bin/env python3
"""The score files of the real program, end to end, in a private virtual X
display.

Usage: e2e_scores.py PROGRAM SOURCE_DIR [CASE]

first_game (the default): no click after the title: the first thing to
reach the princess ends the game with 0 points, which takes first place in a
fresh directory. The name entry opens with "kiri" (a typed "nana" after it
gives "kirinana"), Esc and the main window's close box do nothing, Enter
stores the row, the title returns, and the menu's list shows the new first
row.

display_lost: the X server is killed under the open name entry: the program
ends and leaves no temporary file behind.

Uses the desktop program's own test harness.
"""

import glob
import os
import signal
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))
import e2e  # noqa: E402
from e2e import check, wait_for  # noqa: E402


def temp_files(folder):
    """The game's temporary files in `folder`."""
    return glob.glob(os.path.join(folder, "work*.temp"))


def display_lost(program, source_dir):
    runner = e2e.Case(program, source_dir)
    display = e2e.VirtualDisplay()
    game = None
    try:
        game = e2e.Game(display, program, source_dir)
        runner.start_play(game)
        wait_for("the game to end and the name entry to open",
                 lambda: game.find("ゲームオーバー"), timeout=180)
        check(len(temp_files(game.dir)) == 1, "no temporary file under the name entry")
        display.server.send_signal(signal.SIGKILL)
        display.server.wait()
        check(game.wait_exit() != 0, "the program ended with status 0")
        check(not temp_files(game.dir), "a temporary file was left: %s" % temp_files(game.dir))
        check(not os.path.exists(os.path.join(game.dir, "score.sav")), "a row was stored")
    finally:
        if game is not None:
            game.finish()
        display.close()
    print("passed: display lost under the name entry")
    return 0


def first_game(program, source_dir):
    runner = e2e.Case(program, source_dir)
    display = e2e.VirtualDisplay()
    game = None
    try:
        game = e2e.Game(display, program, source_dir)
        score_file = os.path.join(game.dir, "score.sav")
        runner.start_play(game)

        entry = wait_for("the game to end and the name entry to open",
                         lambda: game.find("ゲームオーバー"), timeout=180)
        temps = temp_files(game.dir)
        check(len(temps) == 1, "temporary files: %s" % temps)
        with open(temps[0], "rb") as f:
            check(f.read() == b"1", "the place handed to the dialog")
        check(not os.path.exists(score_file), "score.sav written before OK")
        # The game stands still behind the dialog (above it: the entry's
        # cursor blinks).
        first = game.frame().crop(0, 0, 640, 150).rgb
        for _ in range(5):
            time.sleep(0.12)
            check(game.frame().crop(0, 0, 640, 150).rgb == first, "a tick ran behind the dialog")

        display.keys(entry, "Escape")
        time.sleep(0.4)
        check(game.find("ゲームオーバー"), "Esc closed the name entry")
        # The main window takes no input while the dialog is open, not even
        # its close box.
        display.ask_to_close(game.window)
        time.sleep(0.4)
        check(game.alive() and game.find("ゲームオーバー"), "the main window closed under the dialog")
        display.keys(entry, "End")
        display.run("xdotool", "type", "--delay", "40", "nana")
        display.run("xdotool", "key", "Return")
        wait_for("the name entry to close", lambda: game.find("ゲームオーバー") is None)
        game.wait_frame("the title screen", runner.is_title)
        with open(score_file, "rb") as f:
            stored = f.read()
        check(stored == b"0 kirinana\n0 kiri\n0 kiri\n0 kiri\n0 kiri\n",
              "score.sav holds %r" % stored)
        check(not temp_files(game.dir), "a temporary file was left behind")

        game.menu("f", "s")
        listing = wait_for("the top five", lambda: game.find("ハイスコア"))
        time.sleep(0.5)
        x, y, w, h = display.geometry(listing)
        shot = display.screenshot(x, y, w, h)

        def ink(top, height):
            return sum(1 for r in range(top, top + height) for c in range(w)
                       if sum(shot.rgb[(r * w + c) * 3:(r * w + c) * 3 + 3]) < 3 * 0x70)
        # Rows 1 and 2 lie 68 and 101 pixels down; the longer name inks more.
        check(ink(68, 25) > ink(101, 25) > 0, "the first row does not show the longer name")
        display.keys(listing, "Escape")
        time.sleep(0.4)
        check(game.find("ハイスコア"), "Esc closed the list")
        display.keys(listing, "Return")
        wait_for("the list to close", lambda: game.find("ハイスコア") is None)
        check(game.alive(), "the program ended")
    finally:
        if game is not None:
            game.finish()
        display.close()
    print("passed: first game stored")
    return 0


def main():
    program, source_dir = sys.argv[1:3]
    case = sys.argv[3] if len(sys.argv) > 3 else "first_game"
    try:
        return {"first_game": first_game, "display_lost": display_lost}[case](program, source_dir)
    except e2e.Failure as failure:
        print("FAILED:", failure)
        return 1


if __name__ == "__main__":
    sys.exit(main())
