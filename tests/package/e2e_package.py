#!/usr/bin/env python3
"""The Debian package, unpacked and played as a player would.

Usage: tests/support/xvfb.sh e2e_package.py PACKAGE_DIR SOURCE_DIR
(PACKAGE_DIR: the folder the .deb was made in)

Unpacks the package into a fresh root, checks that apt can resolve its
dependencies, and starts the program its desktop entry names, from /, as an
unprivileged user with an empty home (when the test runs as root; otherwise
as the current user with an empty home). The title shows, a game is played
to its end, a name is typed, and the row lands in the user's own
~/.local/share/miruto-nana/score.sav, in a folder only the user can read.
Nothing is written to the working folder or the source tree.
"""

import configparser
import glob
import os
import pwd
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))

from gamedriver import Game, Screens  # noqa: E402
from xdisplay import Display, Failure, check, wait_for  # noqa: E402


def unprivileged_user():
    """(uid, gid) of "nobody" when the test runs as root; None otherwise."""
    if os.geteuid() != 0:
        return None
    entry = pwd.getpwnam("nobody")
    return entry.pw_uid, entry.pw_gid


def main():
    package_dir, source_dir = sys.argv[1:3]
    debs = glob.glob(os.path.join(package_dir, "miruto-nana_*.deb"))
    if len(debs) != 1:
        print("FAILED: not one package in %s: %s" % (package_dir, debs))
        return 1
    deb = debs[0]
    work = tempfile.mkdtemp(prefix="miruto-nana-package-")
    os.chmod(work, 0o755)
    game = None
    try:
        root = os.path.join(work, "root")
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
        simulated = subprocess.run(["apt-get", "install", "--simulate", os.path.abspath(deb)],
                                   capture_output=True, text=True)
        check(simulated.returncode == 0,
              "apt cannot resolve the package:\n" + simulated.stdout + simulated.stderr)

        # The command the desktop entry starts, found as the menu would.
        entries = [f for f in os.listdir(os.path.join(root, "usr/share/applications"))
                   if f.endswith(".desktop")]
        check(len(entries) == 1, "desktop entries: %s" % entries)
        desktop = configparser.ConfigParser(interpolation=None)
        desktop.optionxform = str
        desktop.read(os.path.join(root, "usr/share/applications", entries[0]), encoding="utf-8")
        command = desktop["Desktop Entry"]["Exec"].split()[0]
        program = shutil.which(command, path=os.path.join(root, "usr/games"))
        check(program is not None, "the desktop entry's command %r is not in usr/games" % command)

        user = unprivileged_user()
        home = os.path.join(work, "home")
        os.mkdir(home, 0o755)
        if user:
            os.chown(home, *user)
        before = sorted(os.listdir(source_dir))
        screens = Screens(source_dir)
        display = Display()
        env = {"HOME": home, "XDG_DATA_HOME": "", "ASAN_OPTIONS": ""}
        game = Game(display, program, cwd="/", env=env, user=user)
        entry = screens.play_to_name_entry(game)
        display.keys(entry, "End")
        display.type("nana")
        display.run("xdotool", "key", "Return")
        wait_for("the name entry to close", lambda: game.find("ゲームオーバー") is None)
        game.wait_frame("the title screen", screens.is_title)

        folder = os.path.join(home, ".local", "share", "miruto-nana")
        score_file = os.path.join(folder, "score.sav")
        check(os.path.isfile(score_file), "no score.sav in " + folder)
        with open(score_file, "rb") as f:
            stored = f.read()
        check(stored.startswith(b"0 kirinana\n"), "score.sav holds %r" % stored)
        check(os.stat(folder).st_mode & 0o077 == 0, "the score folder is open to others")
        if user:
            check(os.stat(score_file).st_uid == user[0], "score.sav is not the player's")
        check(not glob.glob(os.path.join(folder, "work*.temp")), "work.temp left behind")
        check(not glob.glob("/score.sav*") and not glob.glob("/work*.temp"),
              "score files written to the working folder")
        check(sorted(os.listdir(source_dir)) == before, "the source tree changed")
        display.keys(game.window, "Escape")
        check(game.wait_exit() == 0, "exit status")
    except (Failure, subprocess.CalledProcessError) as failure:
        print("FAILED:", failure)
        return 1
    finally:
        if game is not None:
            game.finish()
        shutil.rmtree(work, ignore_errors=True)
    print("passed: the packaged game")
    return 0


if __name__ == "__main__":
    sys.exit(main())
