"""The desktop program under test, driven as a player drives it.

The program is started from a fresh temporary folder on the test's display
(tests/support/xdisplay.py), found by its window's title, driven with keys
and clicks, and its screens are told apart by the game's own pictures.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))

from xdisplay import DEADLINE, Failure, check, halve, read_bmp, share_matching, wait_for  # noqa: E402

TITLE = "ミルトとナナ"
CLIENT_W, CLIENT_H = 640, 480


class Game:
    """The program under test, run from its own temporary directory."""

    def __init__(self, display, program, with_sound=True, cwd=None, env=None, user=None,
                 scale=1, args=(), title=TITLE):
        """Starts `program` in a fresh temporary directory, or in `cwd`.

        Without sound, a copy of the program runs with no sound/ beside it.
        `env` adds to the environment; `user`, a (uid, gid) pair, runs the
        program as that user (the tests must run as root for that). `args`
        go on its command line; `title` is its main window's first title.
        """
        self.display = display
        self.dir = tempfile.mkdtemp(prefix="miruto-nana-e2e-")
        if not with_sound:
            copy = os.path.join(self.dir, "bin", os.path.basename(program))
            os.makedirs(os.path.dirname(copy))
            shutil.copy2(program, copy)
            program = copy
        self.log_path = os.path.join(self.dir, "program.log")
        # No sound card is needed: SDL plays into its silent output.
        full_env = dict(display.env, ASAN_OPTIONS="detect_leaks=0", LC_ALL="C.UTF-8",
                        LANG="C.UTF-8", SDL_AUDIODRIVER="dummy")
        full_env.update(env or {})
        ids = dict(user=user[0], group=user[1], extra_groups=[]) if user else {}
        with open(self.log_path, "wb") as log:
            self.proc = subprocess.Popen([program, *args], cwd=cwd or self.dir, env=full_env, stdout=log,
                                         stderr=subprocess.STDOUT, **ids)
        try:
            def main_window():
                check(self.alive(), "the program ended at once")
                return self.find(title)
            self.window = wait_for("the main window", main_window)
        except Failure:
            self.finish()
            raise
        x, y, w, h = display.geometry(self.window)
        # The picture fills the window below the menu bar; on a screen with
        # `scale` device pixels to a window pixel it is that much larger.
        self.scale = scale
        self.client = (x, y + h - CLIENT_H * scale, CLIENT_W * scale, CLIENT_H * scale)

    # Used in a with statement, the program is ended and its output checked
    # on the way out.
    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.finish()

    def find(self, name):
        found = self.display.windows("^%s$" % name, self.proc.pid)
        return found[0] if found else None

    def find_box(self, name):
        """A message box of the program's, found by its title (may be empty)."""
        def probe():
            for window in self.display.windows(None, self.proc.pid):
                if window != self.window and self.display.window_name(window) == name and \
                        self.display.geometry(window)[2] > 1:
                    return window
            return None
        return wait_for("the box '%s'" % name, probe)

    def menu(self, mnemonic, item):
        """Opens a menu with Alt and its letter, then picks an item by its letter."""
        before = len(self.display.windows())
        self.display.keys(self.window, "alt+" + mnemonic)
        wait_for("the menu to open", lambda: len(self.display.windows()) > before)
        self.display.run("xdotool", "key", item)

    def frame(self):
        return self.display.screenshot(*self.client)

    def click(self, x, y):
        self.display.click(self.client[0] + x * self.scale, self.client[1] + y * self.scale)

    def wait_frame(self, what, test):
        def probe():
            shot = self.frame()
            return shot if test(shot) else None
        return wait_for(what, probe)

    def check_changing(self, what):
        first = self.frame().rgb
        wait_for(what, lambda: self.frame().rgb != first)

    def check_still(self, what, seconds=0.6, rows=CLIENT_H):
        """The picture's top `rows` do not change for `seconds`: no tick runs."""
        def part():
            return self.frame().crop(0, 0, CLIENT_W * self.scale, rows * self.scale).rgb
        first = part()
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            check(part() == first, what)
            time.sleep(0.1)

    def alive(self):
        return self.proc.poll() is None

    def wait_exit(self):
        try:
            return self.proc.wait(timeout=DEADLINE)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end")

    def log(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def finish(self):
        if self.alive():
            self.proc.kill()
            self.proc.wait()
        log = self.log()
        shutil.rmtree(self.dir, ignore_errors=True)
        # Shown by CTest when the case fails.
        print("program exit status %s, output:\n%s" % (self.proc.returncode, log))
        for bad in ("CRITICAL", "runtime error", "AddressSanitizer"):
            check(bad not in log, "the program reported a fault:\n" + log)


class Screens:
    """The game's screens, told apart by its own pictures."""

    def __init__(self, source_dir):
        bitmaps = os.path.join(source_dir, "resources", "bitmaps")
        self.title = read_bmp(os.path.join(bitmaps, "2016.bmp"))
        self.sky = read_bmp(os.path.join(bitmaps, "2011.bmp"))
        self.pause = read_bmp(os.path.join(bitmaps, "2019.bmp"))

    def is_title(self, shot):
        return share_matching(shot, self.title) > 0.999

    def is_play(self, shot):
        # Enough of the sky shows between the scenery and the actors.
        return share_matching(shot, self.sky) > 0.2

    def is_paused(self, shot):
        return share_matching(shot, self.pause, 195, 150) > 0.999

    def start_play(self, game):
        """From the title, a click starts a game."""
        game.wait_frame("the title screen", lambda shot: self.is_title(halve(shot, game.scale)))
        game.click(320, 240)
        game.wait_frame("the island scene", lambda shot: self.is_play(halve(shot, game.scale)))

    def play_to_name_entry(self, game, timeout=180):
        """Starts a game and leaves it alone: the princess is soon hit, and
        with no scores yet even this game earns a place. Returns the name
        entry's window."""
        self.start_play(game)
        return wait_for("the game to end and the name entry to open",
                        lambda: game.find("ゲームオーバー"), timeout=timeout)


def run_case(name, case):
    """Runs `case()` and says how it went; returns the exit status."""
    try:
        case()
    except Failure as failure:
        print("FAILED:", failure)
        return 1
    print("passed:", name)
    return 0
