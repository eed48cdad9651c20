#!/usr/bin/env python3
"""The first game ever played, end to end, in a private virtual X display.

Usage: e2e_scores.py PROGRAM SOURCE_DIR

No click after the title: the first thing to reach the princess ends the game
with 0 points, which takes first place in a fresh directory. The name entry
opens with "kiri" (a typed "nana" after it gives "kirinana"), Esc and the
main window's close box do nothing, Enter stores the row, the title returns, and the menu's list shows
the new first row. Uses the desktop program's own test harness.
"""

import os
import sys
import time


def main():
    program, source_dir = sys.argv[1:3]
    sys.path.insert(0, os.path.join(source_dir, "tests", "app"))
    import e2e
    from e2e import check, wait_for

    runner = e2e.Case(program, source_dir)
    display = e2e.VirtualDisplay()
    game = None
    try:
        game = e2e.Game(display, program, source_dir)
        score_file = os.path.join(game.dir, "score.sav")
        temp_file = os.path.join(game.dir, "work.temp")
        runner.start_play(game)

        entry = wait_for("the game to end and the name entry to open",
                         lambda: game.find("ゲームオーバー"), timeout=180)
        with open(temp_file, "rb") as f:
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
        check(not os.path.exists(temp_file), "work.temp left behind")

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
    except e2e.Failure as failure:
        print("FAILED:", failure)
        return 1
    finally:
        if game is not None:
            game.finish()
        display.close()
    print("passed: first game stored")
    return 0


if __name__ == "__main__":
    sys.exit(main())
