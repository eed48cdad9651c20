#!/usr/bin/env python3
"""Replays of the desktop program, kept and watched, end to end.

Usage: tests/support/xvfb.sh e2e_replays.py PROGRAM REPLAY_TOOL SOURCE_DIR CASE

kept: two games played with real clicks, a pause and two names typed, and
the best one watched from the list; the replays kept beside score.sav then
play, in the replay tool, the very scores the player saw on the screen, and
the last session's replay leaves the same score.sav behind.

watch: a replay watched with --watch (paused, fast, ended with Esc), then a
game played: its game-over frame is the one the replay tool draws for the
session's replay, which never watched anything.

hostile: broken, huge, binary and forged replays, and a pipe, given to
--watch or found among the kept replays, each get a box and a line on
standard error; the program goes on, and the table and replays stay as they
were.
"""

import os
import subprocess
import sys
import tempfile

from gamedriver import TITLE, Game, Screens, run_case
from xdisplay import DEADLINE, Display, Picture, check, read_bmp, share_matching, wait_for

WATCH_TITLE = TITLE + "　リプレイ.*"
# Every row is out of reach: a game earns no place and its game-over frame
# stays until a click.
HIGH_TABLE = b"99999 a\n99999 b\n99999 c\n99999 d\n99999 e\n"


def run_tool(tool, *args, cwd=None):
    done = subprocess.run([tool, *args], cwd=cwd, capture_output=True, timeout=120,
                          env=dict(os.environ, ASAN_OPTIONS="detect_leaks=0"))
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def read_png(path):
    done = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                          check=True, timeout=DEADLINE)
    return Picture(640, 480, done.stdout)


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


class Cases:
    def __init__(self, program, tool, source_dir):
        self.program, self.tool = program, tool
        self.screens = Screens(source_dir)
        self.display = Display()
        bitmaps = os.path.join(source_dir, "resources", "bitmaps")
        digits = read_bmp(os.path.join(bitmaps, "2007.bmp"))
        self.digits = [digits.crop(40 * d, 0, 40, 40) for d in range(10)]
        self.game_over = read_bmp(os.path.join(bitmaps, "2015.bmp"))

    def score_shown(self, shot):
        """The score the frame shows at its top right, as the player reads it."""
        score, scale = 0, 1
        for x in (590, 550, 510, 470):
            found = [d for d in range(10) if share_matching(shot, self.digits[d], x, 10) == 1.0]
            if not found:
                break
            score += found[0] * scale
            scale *= 10
        check(scale > 1, "no score on the screen")
        return score

    def is_game_over(self, shot):
        return share_matching(shot, self.game_over, 195, 115) == 1.0

    def play_a_game(self, game, clicks):
        """From the title: a game with real clicks, left alone after them."""
        self.screens.start_play(game)
        for x, y in clicks:
            game.click(x, y)

    def enter_name(self, game, name):
        entry = wait_for("the name entry", lambda: game.find("ゲームオーバー"), timeout=120)
        seen = self.score_shown(game.frame())
        self.display.keys(entry, "ctrl+a")
        self.display.type(name)
        self.display.run("xdotool", "key", "Return")
        wait_for("the name entry to close", lambda: game.find("ゲームオーバー") is None)
        game.wait_frame("the title screen", self.screens.is_title)
        return seen

    def kept(self):
        display, tool = self.display, self.tool
        with Game(display, self.program) as game:
            seen = []
            self.play_a_game(game, [(100, 120), (500, 300), (300, 220)])
            display.keys(game.window, "Return")
            game.wait_frame("the pause picture", self.screens.is_paused)
            display.keys(game.window, "Return")
            game.wait_frame("play again", lambda shot: not self.screens.is_paused(shot))
            seen.append(self.enter_name(game, "nana"))
            self.play_a_game(game, [(420, 80), (200, 400), (560, 180), (80, 260)])
            seen.append(self.enter_name(game, "momo"))
            # The list's first row is the best game, watched from its start.
            game.menu("f", "r")
            listing = wait_for("the replay list", lambda: game.find("リプレイ"))
            display.keys(listing, "Return")
            wait_for("watching", lambda: "リプレイ" in display.window_name(game.window))
            game.wait_frame("the kept game replayed", self.screens.is_play)
            display.keys(game.window, "Escape")
            game.wait_frame("the title screen", self.screens.is_title)
            display.keys(game.window, "Escape")
            check(game.wait_exit() == 0, "exit status")

            folder = os.path.join(game.dir, "replays")
            names = sorted(os.listdir(folder))
            rows = [name for name in names if name.endswith(".replay") and name != "last.replay"]
            check(len(rows) == 2 and "last.replay" in names, "replays/ holds %s" % names)
            for expected in ("_nana_", "_momo_"):
                check(any(expected in row for row in rows), "no row file for %s: %s" %
                      (expected.strip("_"), rows))
            # Each row's replay plays its session up to the game that earned
            # the row, ending with that row's score; the last session's plays
            # every game the player saw.
            for row in rows:
                status, out, err = run_tool(tool, "--scores", os.path.join(folder, row))
                check(status == 0, "replay --scores %s: %s" % (row, err))
                check(out.split()[-1] == row.split("_")[0], "%s ends with %s" % (row, out))
            last = os.path.join(folder, "last.replay")
            status, out, err = run_tool(tool, "--scores", last)
            check(status == 0, "replay --scores last.replay: %s" % err)
            check([int(s) for s in out.split()] == seen,
                  "the replay plays scores %s; the player saw %s" % (out.split(), seen))
            with tempfile.TemporaryDirectory() as empty:
                status, _, err = run_tool(tool, last, cwd=empty)
                check(status == 0, "replay last.replay: %s" % err)
                check(read_file(os.path.join(empty, "score.sav")) ==
                      read_file(os.path.join(game.dir, "score.sav")),
                      "the replay leaves another score.sav")

    def watch(self):
        display, tool, screens = self.display, self.tool, self.screens
        work = tempfile.mkdtemp(prefix="miruto-nana-watch-")
        script = os.path.join(work, "script.txt")
        replay = os.path.join(work, "watched.replay")
        with open(script, "w") as f:
            f.write("tick 1\nclick 320 240\ntick 80\nclick 300 200\ntick 200\nclick 10 10\n"
                    "tick 30\nclick 320 240\ntick 400\n")
        status, _, err = run_tool(tool, "--write-replay", replay, script)
        check(status == 0, "replay --write-replay: %s" % err)
        with Game(display, self.program, args=["--watch", replay], title=WATCH_TITLE) as game:
            with open(os.path.join(game.dir, "score.sav"), "wb") as f:
                f.write(HIGH_TABLE)
            game.wait_frame("the replay's play", screens.is_play)
            display.keys(game.window, "Return")
            wait_for("the paused title", lambda: "一時停止中" in display.window_name(game.window))
            game.check_still("the replay stood still while paused")
            display.keys(game.window, "Return", "f")
            wait_for("the fast title", lambda: "4倍速（" in display.window_name(game.window))
            game.check_changing("the replay to go on")
            display.keys(game.window, "Escape")
            game.wait_frame("the player's title screen", screens.is_title)
            check(display.window_name(game.window) == TITLE, "the title after watching")
            check(sorted(os.listdir(game.dir)) == ["program.log", "score.sav"],
                  "watching wrote files: %s" % os.listdir(game.dir))

            self.play_a_game(game, [(200, 200), (400, 300), (100, 150)])
            # The pointer off the picture, so that no screenshot holds it.
            display.run("xdotool", "mousemove", "0", "0")
            def game_over():
                shot = game.frame()
                return shot if self.is_game_over(shot) else None
            shot = wait_for("the game over", game_over, timeout=120)
            display.keys(game.window, "Escape")
            check(game.wait_exit() == 0, "exit status")
            check(read_file(os.path.join(game.dir, "score.sav")) == HIGH_TABLE,
                  "the table changed")

            # The same session in the replay tool, which never watched: the
            # same game-over frame, pixel for pixel.
            last = os.path.join(game.dir, "replays", "last.replay")
            frames = os.path.join(work, "frames")
            status, _, err = run_tool(tool, "--png", frames, last, cwd=work)
            check(status == 0, "replay --png: %s" % err)
            final = read_png(os.path.join(frames, sorted(os.listdir(frames))[-1]))
            differ = sum(1 for i in range(0, len(shot.rgb), 3) if shot.rgb[i:i + 3] !=
                         final.rgb[i:i + 3])
            check(differ == 0, "%d pixels of the game over differ from the replay's" % differ)

    def refused(self, game, why):
        """A box over the game says the replay cannot be watched; OK closes it."""
        box = game.find_box(TITLE)
        self.display.keys(box, "Return")
        wait_for("the box to close", lambda: box not in self.display.windows(None, game.proc.pid))
        wait_for("the reason on standard error", lambda: why in game.log())

    def hostile(self):
        display, tool, screens = self.display, self.tool, self.screens
        work = tempfile.mkdtemp(prefix="miruto-nana-hostile-")
        script = os.path.join(work, "script.txt")
        good = os.path.join(work, "good.replay")
        with open(script, "w") as f:
            f.write("tick 1\nclick 320 240\ntick 300\nname x\ntick 50\n")
        check(run_tool(tool, "--write-replay", good, script)[0] == 0, "no replay made")
        text = read_file(good)
        score_line = [line for line in text.split(b"\n") if line.startswith(b"score ")][0]
        cases = {
            "cut.replay": (text[:len(text) // 2], "cut.replay: line"),
            "binary.replay": (b"\x7fELF\x02\x01\x01\0" + os.urandom(4000),
                              "binary.replay: line 1"),
            "huge.replay": (text + b"#" * (1 << 20), "at most 1 MiB"),
            "forged.replay": (text.replace(score_line, b"score 12345"), "12345"),
        }
        os.mkfifo(os.path.join(work, "pipe.replay"))
        for name, (data, _) in cases.items():
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
        cases["pipe.replay"] = (None, "at most 1 MiB")
        cases["missing.replay"] = (None, "no such file")
        for name, (_, why) in cases.items():
            with Game(display, self.program, args=["--watch", os.path.join(work, name)]) as game:
                with open(os.path.join(game.dir, "score.sav"), "wb") as f:
                    f.write(HIGH_TABLE)
                self.refused(game, why)
                game.wait_frame("the title screen after " + name, screens.is_title)
                display.keys(game.window, "Escape")
                check(game.wait_exit() == 0, "exit status after " + name)
                check(read_file(os.path.join(game.dir, "score.sav")) == HIGH_TABLE,
                      "the table changed after " + name)
                check(not os.path.exists(os.path.join(game.dir, "replays")),
                      "replays/ made after " + name)

        # Among the kept replays: the row's file is garbage.
        with Game(display, self.program) as game:
            folder = os.path.join(game.dir, "replays")
            os.mkdir(folder)
            row = os.path.join(folder, "99999_a_20261208T154445Z_1.replay")
            with open(row, "wb") as f:
                f.write(cases["binary.replay"][0])
            with open(os.path.join(game.dir, "score.sav"), "wb") as f:
                f.write(HIGH_TABLE)
            game.wait_frame("the title screen", screens.is_title)
            game.menu("f", "r")
            listing = wait_for("the replay list", lambda: game.find("リプレイ"))
            display.keys(listing, "Return")
            self.refused(game, "line 1")
            game.wait_frame("the title screen", screens.is_title)
            check(read_file(os.path.join(game.dir, "score.sav")) == HIGH_TABLE, "table changed")
            check(read_file(row) == cases["binary.replay"][0], "the kept file changed")
            display.keys(game.window, "Escape")
            check(game.wait_exit() == 0, "exit status")


def main():
    program, tool, source_dir, case = sys.argv[1:5]
    return run_case(case, lambda: getattr(Cases(program, tool, source_dir), case)())


if __name__ == "__main__":
    sys.exit(main())
