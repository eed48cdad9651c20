#!/usr/bin/env python3
"""What the desktop program reads at start-up, and signals while it starts.

Usage: tests/support/xvfb.sh startup_reads.py PROGRAM SOURCE_DIR CASE

fifo:   a pipe as the SoundFont (MIRUTO_NANA_SOUNDFONT) and, one at a time, as
        each sound file: within 2 s of the main window the failure box comes
        up, standard error names the pipe, and once the box is closed (by OK,
        or by SIGTERM) the program ends with status 1 within 2 s.
signal: a sound server that takes the connection and never answers holds the
        set-up: SIGTERM then ends the program within 2 s.

Each run copies the program into a fresh folder with its own sound/ beside
it, on the test's display (tests/app/gamedriver.py).
"""

import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gamedriver import TITLE, Game, run_case  # noqa: E402
from xdisplay import Display, Failure, check, wait_for  # noqa: E402

SOUNDS = ("kyu.wav", "play.mid", "gameover.mid")
# How long a refused file or a signal may take to end the start.
PROMPT = 2.0


class Start(Game):
    """The program, copied into a fresh folder with its sound/ beside it;
    the game driver's helpers (find, log, finish) serve it as they are."""

    def __init__(self, display, program, source_dir, fifo_sound=None, env=None, window=True):
        self.display = display
        self.dir = tempfile.mkdtemp(prefix="miruto-nana-startup-")
        bin_dir = os.path.join(self.dir, "bin")
        os.makedirs(os.path.join(bin_dir, "sound"))
        self.program = os.path.join(bin_dir, os.path.basename(program))
        shutil.copy2(program, self.program)
        for name in SOUNDS:
            path = os.path.join(bin_dir, "sound", name)
            if name == fifo_sound:
                os.mkfifo(path)
            else:
                shutil.copy2(os.path.join(source_dir, "sound", name), path)
        self.log_path = os.path.join(self.dir, "program.log")
        full_env = dict(display.env, ASAN_OPTIONS="detect_leaks=0", LC_ALL="C.UTF-8",
                        LANG="C.UTF-8", SDL_AUDIODRIVER="dummy")
        full_env.update(env or {})
        with open(self.log_path, "wb") as log:
            self.proc = subprocess.Popen([self.program], cwd=self.dir, env=full_env, stdout=log,
                                         stderr=subprocess.STDOUT)
        if window:
            self.window = wait_for("the main window", self.main_window)

    def main_window(self):
        check(self.alive(), "the program ended at once:\n" + self.log())
        return self.find(TITLE)

    def box(self):
        for window in self.display.windows("^%s$" % TITLE, self.proc.pid):
            if window != self.window and self.display.geometry(window)[2] > 1:
                return window
        return None

    def wait_end(self, what):
        try:
            return self.proc.wait(timeout=PROMPT)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end within %.0f s of %s" % (PROMPT, what))


def refused_pipe(display, program, source_dir, fifo_sound, close_by_signal):
    fifo = os.path.join(tempfile.mkdtemp(prefix="miruto-nana-sf-"), "gm.sf2")
    env = None
    if fifo_sound is None:
        os.mkfifo(fifo)
        env = {"MIRUTO_NANA_SOUNDFONT": fifo}
    start = Start(display, program, source_dir, fifo_sound, env)
    try:
        box = wait_for("the failure box", start.box, timeout=PROMPT)
        if fifo_sound is not None:
            fifo = os.path.join(start.dir, "bin", "sound", fifo_sound)
        line = "miruto-nana: 初期化に失敗しました: %s を読み込めません" % fifo
        check(line in start.log().splitlines(), "no line naming %s:\n%s" % (fifo, start.log()))
        if close_by_signal:
            start.proc.send_signal(signal.SIGTERM)
            what = "SIGTERM"
        else:
            display.keys(box, "Return")
            what = "OK"
        check(start.wait_end(what) == 1, "status %s after the failure box" % start.proc.returncode)
        print("a pipe as %s: the failure box, closed by %s, status 1" % (fifo_sound or "the SoundFont", what))
    finally:
        start.finish()
        shutil.rmtree(os.path.dirname(fifo), ignore_errors=True)


def fifo(display, program, source_dir):
    refused_pipe(display, program, source_dir, None, False)
    for number, name in enumerate(SOUNDS):
        refused_pipe(display, program, source_dir, name, number == 1)


class SilentServer:
    """A sound server that takes every connection and never answers."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="miruto-nana-pulse-")
        self.path = os.path.join(self.dir, "native")
        self.listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.listener.bind(self.path)
        self.listener.listen(8)
        self.held = []
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                connection, _ = self.listener.accept()
            except OSError:
                return
            self.held.append(connection)

    def close(self):
        self.listener.close()
        for connection in self.held:
            connection.close()
        shutil.rmtree(self.dir, ignore_errors=True)


def signal_case(display, program, source_dir):
    server = SilentServer()
    start = Start(display, program, source_dir, window=False,
                  env={"SDL_AUDIODRIVER": "pulseaudio", "PULSE_SERVER": "unix:" + server.path})
    try:
        # The effect player's set-up calls the server and waits for it.
        wait_for("the sound server to be called", lambda: server.held)
        time.sleep(0.5)
        check(start.proc.poll() is None, "the set-up did not wait on the sound server")
        start.proc.send_signal(signal.SIGTERM)
        start.wait_end("SIGTERM")
        print("SIGTERM ended a start held by the sound server")
    finally:
        start.finish()
        server.close()


def main():
    program, source_dir, case = sys.argv[1:4]
    run = {"fifo": fifo, "signal": signal_case}[case]
    return run_case(case, lambda: run(Display(), program, source_dir))


if __name__ == "__main__":
    sys.exit(main())
