#!/usr/bin/env python3
"""The desktop program's cases, each played on a display of its own.

Usage: tests/support/xvfb.sh [--screen WxHxD] e2e.py PROGRAM SOURCE_DIR CASE

Each case runs the program from a fresh temporary directory (with a copy of
sound/ unless the case wants it missing), drives it with keys and clicks
and reads the screen back (gamedriver.py, on ../support/xdisplay.py). Every
wait polls against a deadline; nothing relies on a fixed pause being long
enough. The hidpi case wants a screen of 2048x1536x24.
"""

import glob
import os
import signal
import subprocess
import sys

from gamedriver import CLIENT_H, CLIENT_W, TITLE, Game, Screens, run_case
from xdisplay import DEADLINE, Display, check, halve, wait_for


class Cases:
    def __init__(self, program, source_dir):
        self.program = program
        self.screens = Screens(source_dir)
        self.display = Display()

    def game(self, **options):
        return Game(self.display, self.program, **options)

    def window(self):
        display, screens = self.display, self.screens
        with self.game() as game:
            x, y, w, h = display.geometry(game.window)
            check(w == CLIENT_W, "window width %d" % w)
            check(h > CLIENT_H, "no menu bar above the picture: height %d" % h)
            check((x, y) == (140, 140), "window placed at (%d, %d)" % (x, y))
            # The title picture fills exactly the 640 x 480 below the menu bar.
            game.wait_frame("the title screen", screens.is_title)
            props = display.run("xprop", "-id", str(game.window), "WM_CLASS", "WM_NORMAL_HINTS",
                                "_NET_WM_STATE", "_NET_WM_ICON")
            check('"CWindow", "CWindow"' in props, "window class:\n" + props)
            check("_NET_WM_STATE_ABOVE" in props, "not kept above:\n" + props)
            check("program specified minimum size: %d by %d" % (w, h) in props and
                  "program specified maximum size: %d by %d" % (w, h) in props,
                  "resizable:\n" + props)
            check("_NET_WM_ICON(CARDINAL) = " in props, "no icon:\n" + props)
            # Over the picture the pointer is the game's 32 x 32 stick, held
            # at its top-left corner.
            display.run("xdotool", "mousemove", str(x + 300), str(y + h - 200))
            wait_for("the game's cursor", lambda: display.cursor() == (32, 32, 0, 0))

    def play_and_pause(self):
        screens = self.screens
        with self.game() as game:
            screens.start_play(game)
            game.check_changing("play frames to move")
            game.display.keys(game.window, "Return")
            game.wait_frame("the pause picture", screens.is_paused)
            game.check_still("the frame froze while paused")
            game.display.keys(game.window, "KP_Enter")
            game.wait_frame("the pause picture to go", lambda shot: not screens.is_paused(shot))
            game.check_changing("play to resume")

    def escape(self):
        with self.game() as game:
            game.wait_frame("the title screen", self.screens.is_title)
            self.display.keys(game.window, "Escape")
            check(game.wait_exit() == 0, "exit status")

    def close_box(self):
        with self.game() as game:
            self.screens.start_play(game)
            self.display.ask_to_close(game.window)
            check(game.wait_exit() == 0, "exit status")

    def exit_menu(self):
        display, screens = self.display, self.screens
        with self.game() as game:
            game.wait_frame("the title screen", screens.is_title)
            game.menu("f", "e")
            box = game.find_box("終了")
            display.keys(box, "alt+n")
            wait_for("the box to close", lambda: game.find("終了") is None)
            check(game.alive() and game.find(TITLE), "No ended the program")
            # The box lay over the picture: the window repaints it whole,
            # though the title frame itself never changes.
            game.wait_frame("the title screen to be repainted", screens.is_title)
            # Still running: a click starts a game.
            screens.start_play(game)
            game.menu("f", "e")
            box = game.find_box("終了")
            display.keys(box, "alt+y")
            check(game.wait_exit() == 0, "exit status")

    def version(self):
        display = self.display
        with self.game() as game:
            self.screens.start_play(game)
            game.menu("h", "v")
            box = game.find_box("バージョン")
            # No tick runs while the box is open.
            game.check_still("the game stood still behind the box")
            # Two lines of text with an empty line between them, then OK.
            shot = display.window_shot(box)
            inked = [shot.inked(r, 1) > 0 for r in range(shot.height)]
            bands = sum(1 for r in range(shot.height) if inked[r] and (r == 0 or not inked[r - 1]))
            check(bands >= 3, "the box shows %d lines of text" % bands)
            display.keys(box, "Return")
            wait_for("the box to close", lambda: game.find("バージョン") is None)
            game.check_changing("play to go on")
            check(game.alive(), "the version box ended the program")

    def game_over(self):
        display, screens = self.display, self.screens
        with self.game() as game:
            box = screens.play_to_name_entry(game, timeout=90)
            game.check_still("the game stood still behind the name entry")
            # The main window's close box does nothing while the dialog is up.
            display.ask_to_close(game.window)
            display.settle(game.window)
            check(game.alive() and game.find(TITLE) and game.find("ゲームオーバー"),
                  "the close box ended the program or the name entry")
            # Closing the dialog stores nothing and wipes back to the title.
            display.ask_to_close(box)
            game.wait_frame("the title screen", screens.is_title)
            check(not glob.glob(os.path.join(game.dir, "work*.temp")), "work.temp was left")
            display.keys(game.window, "Escape")
            check(game.wait_exit() == 0, "exit status")

    def hidpi(self):
        """At two device pixels to a window pixel, each game pixel is a 2 x 2 block."""
        screens = self.screens
        with self.game(env={"GDK_SCALE": "2"}, scale=2) as game:
            shot = game.wait_frame("the title screen, doubled",
                                   lambda shot: screens.is_title(halve(shot)))
            blurred = sum(1 for y in range(0, 2 * CLIENT_H, 2) for x in range(0, 2 * CLIENT_W, 2)
                          if len({shot.pixel(x, y), shot.pixel(x + 1, y), shot.pixel(x, y + 1),
                                  shot.pixel(x + 1, y + 1)}) > 1)
            check(blurred == 0, "%d game pixels are smoothed, not doubled" % blurred)
            screens.start_play(game)

    def init_failure(self):
        display = self.display
        # A missing file, or a SoundFont that is not there: the box keeps the
        # game's title and adds a line naming what failed, standard error
        # gets the same line, and the exit status says the start failed.
        for what, with_sound, more_env in (
                ("sound/kyu.wav", False, None),
                ("/nonexistent/gm.sf2", True, {"MIRUTO_NANA_SOUNDFONT": "/nonexistent/gm.sf2"})):
            with self.game(with_sound=with_sound, env=more_env) as game:
                box = game.find_box(TITLE)
                # The box may lie over the picture; the rest stays black.
                black = game.frame().rgb.count(b"\0\0\0")
                check(black > 0.7 * CLIENT_W * CLIENT_H, "a frame was drawn after a failed start")
                display.keys(box, "Return")
                check(game.wait_exit() != 0, "a failed start ended with status 0")
                # Without sound, a copy of the program runs from bin/.
                path = what if what.startswith("/") else os.path.join(game.dir, "bin", what)
                line = "miruto-nana: 初期化に失敗しました: %s を読み込めません" % path
                check(line in game.log().splitlines(), "no line naming %s:\n%s" % (path, game.log()))
        # Without a display: one line saying so, and a failed status.
        env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        done = subprocess.run([self.program], env=env, capture_output=True, timeout=DEADLINE)
        said = done.stderr.decode("utf-8", "replace").splitlines()
        check(done.returncode != 0, "started without a display: status 0")
        check(len(said) == 1 and "DISPLAY" in said[0], "without a display it said %r" % said)

    def quit_signal(self, when, number):
        """Sends a signal at the title (with the exit question open), in play
        or in the name entry: the program ends as through its close box."""
        screens = self.screens
        with self.game() as game:
            if when == "title":
                game.wait_frame("the title screen", screens.is_title)
                game.menu("f", "e")
                game.find_box("終了")
            elif when == "play":
                screens.start_play(game)
            else:
                screens.play_to_name_entry(game, timeout=90)
            game.proc.send_signal(number)
            check(game.wait_exit() == 0, "exit status after signal %d" % number)
            for left in ("work*.temp", "score.sav"):
                check(not glob.glob(os.path.join(game.dir, left)), left + " was left")

    def signal_title(self):
        self.quit_signal("title", signal.SIGINT)

    def signal_play(self):
        self.quit_signal("play", signal.SIGTERM)

    def signal_name_entry(self):
        self.quit_signal("name_entry", signal.SIGHUP)


def main():
    program, source_dir, case = sys.argv[1:4]
    return run_case(case, lambda: getattr(Cases(program, source_dir), case)())


if __name__ == "__main__":
    sys.exit(main())
