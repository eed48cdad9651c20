#!/usr/bin/env python3
"""Plays the desktop program in a private virtual X display.

Usage: e2e.py PROGRAM SOURCE_DIR CASE

Each case starts its own Xvfb, runs the program from a fresh temporary
directory (with a copy of sound/ unless the case wants it missing), drives it
with xdotool and reads the screen back with ImageMagick's import. Every wait
polls against a deadline; nothing relies on a fixed pause being long enough.
"""

import ctypes
import glob
import os
import random
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

TITLE = "ミルトとナナ"
CLIENT_W, CLIENT_H = 640, 480
KEY_COLOUR = 0xFF00FF
# Generous: the tests also run under the sanitizers on a busy machine.
DEADLINE = 30.0


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, probe, timeout=DEADLINE, interval=0.05):
    """Calls probe until it gives something true; returns that value."""
    end = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure("timed out waiting for " + what)
        time.sleep(interval)


class Picture:
    """An RGB picture; pixel values are 0xRRGGBB."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return (self.rgb[i] << 16) | (self.rgb[i + 1] << 8) | self.rgb[i + 2]

    def crop(self, x, y, w, h):
        rows = [self.rgb[((y + r) * self.width + x) * 3:((y + r) * self.width + x + w) * 3]
                for r in range(h)]
        return Picture(w, h, b"".join(rows))


def halve(picture, scale=2):
    """Every `scale`-th pixel of every `scale`-th row."""
    if scale == 1:
        return picture
    w, h = picture.width // scale, picture.height // scale
    rows = [b"".join(picture.rgb[((y * scale) * picture.width + x * scale) * 3:
                                 ((y * scale) * picture.width + x * scale) * 3 + 3]
                     for x in range(w)) for y in range(h)]
    return Picture(w, h, b"".join(rows))


def read_bmp(path):
    """Reads an uncompressed BMP (1, 4, 8, 24 or 32 bits a pixel)."""
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    header_size, width, height, _, bpp, compression = struct.unpack_from("<IiiHHI", data, 14)
    check(compression in (0, 3), path + ": compressed bitmaps are not read here")
    palette = []
    if bpp <= 8:
        colours = struct.unpack_from("<I", data, 46)[0] or (1 << bpp)
        base = 14 + header_size
        palette = [data[base + 4 * i:base + 4 * i + 3] for i in range(colours)]
    stride = (width * bpp + 31) // 32 * 4
    rows = []
    for r in range(abs(height)):
        row = data[offset + r * stride:offset + (r + 1) * stride]
        out = bytearray()
        for x in range(width):
            if bpp >= 24:
                b, g, rr = row[x * bpp // 8:x * bpp // 8 + 3]
                out += bytes((rr, g, b))
            else:
                bit = x * bpp
                index = (row[bit // 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1)
                b, g, rr = palette[index]
                out += bytes((rr, g, b))
        rows.append(bytes(out))
    if height > 0:
        rows.reverse()
    return Picture(width, abs(height), b"".join(rows))


def share_matching(shot, reference, x0=0, y0=0):
    """Share of the reference's non-key pixels that the shot holds at (x0, y0)."""
    total = same = 0
    for y in range(reference.height):
        for x in range(reference.width):
            want = reference.pixel(x, y)
            if want == KEY_COLOUR:
                continue
            total += 1
            same += shot.pixel(x0 + x, y0 + y) == want
    return same / total if total else 0.0


class VirtualDisplay:
    def __init__(self, screen="1024x768x24"):
        # The number is drawn at random rather than left to the server, which
        # would take the lowest free one: with servers starting and stopping
        # side by side, a number a server is just giving up can still answer
        # for a moment (tests/support/xvfb.sh does the same).
        for _ in range(20):
            number = random.randrange(100, 30100)
            if os.path.exists("/tmp/.X%d-lock" % number):
                continue
            if self.start(number, screen):
                self.name = ":%d" % number
                self.env = dict(os.environ, DISPLAY=self.name)
                return
        raise Failure("the virtual display did not start")

    def start(self, number, screen):
        """True once a server on `number` accepts clients."""
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", ":%d" % number, "-displayfd", str(write_end), "-screen", "0", screen,
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        said = b""
        end = time.monotonic() + DEADLINE
        while not said.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], max(0.0, end - time.monotonic()))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                break
            said += chunk
        os.close(read_end)
        if said.endswith(b"\n"):
            return True
        # The number was taken (the server ended) or it never came up.
        self.server.kill()
        self.server.wait()
        return False

    def run(self, *args):
        done = subprocess.run(list(args), env=self.env, capture_output=True, timeout=DEADLINE)
        return done.stdout.decode("utf-8", "replace")

    def windows(self, name=None, pid=None):
        args = ["xdotool", "search", "--all", "--onlyvisible"]
        if pid is not None:
            args += ["--pid", str(pid)]
        args += ["--name", name if name is not None else ""]
        return [int(w) for w in self.run(*args).split()]

    def window_name(self, window):
        return self.run("xdotool", "getwindowname", str(window)).rstrip("\n")

    def geometry(self, window):
        values = {}
        for line in self.run("xdotool", "getwindowgeometry", "--shell", str(window)).split():
            key, _, value = line.partition("=")
            values[key] = int(value) if value.isdigit() else value
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def screenshot(self, x, y, w, h):
        ppm = subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y),
                              "-depth", "8", "ppm:-"], env=self.env, capture_output=True,
                             timeout=DEADLINE).stdout
        # P6 header: four fields, then one whitespace byte before the pixels.
        fields, i = [], 0
        while len(fields) < 4 and i < len(ppm):
            while ppm[i:i + 1].isspace():
                i += 1
            j = i
            while j < len(ppm) and not ppm[j:j + 1].isspace():
                j += 1
            fields.append(ppm[i:j])
            i = j
        check(len(fields) == 4 and fields[0] == b"P6" and fields[3] == b"255", "no screenshot")
        width, height = int(fields[1]), int(fields[2])
        return Picture(width, height, ppm[i + 1:i + 1 + width * height * 3])

    def focus(self, window):
        self.run("xdotool", "windowfocus", "--sync", str(window))

    def keys(self, window, *keys):
        self.focus(window)
        for key in keys:
            self.run("xdotool", "key", key)

    def click(self, x, y):
        # No --sync: it would wait for ever when the pointer is already there.
        # The server takes the move before the click all the same.
        self.run("xdotool", "mousemove", str(x), str(y), "click", "1")

    def ask_to_close(self, window):
        """Sends what a window manager's close box sends: WM_DELETE_WINDOW."""
        xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        xlib.XInternAtom.restype = ctypes.c_ulong
        xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                    ctypes.c_void_p]
        xlib.XFlush.argtypes = [ctypes.c_void_p]
        xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

        class Event(ctypes.Union):
            _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

        dpy = xlib.XOpenDisplay(self.name.encode())
        check(dpy, "cannot open the virtual display")
        event = Event()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = xlib.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = xlib.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        xlib.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
        xlib.XFlush(dpy)
        xlib.XCloseDisplay(dpy)

    def cursor(self):
        """Width, height and hot spot of the pointer's current cursor."""
        xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
        xfixes = ctypes.cdll.LoadLibrary("libXfixes.so.3")
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        xlib.XFree.argtypes = [ctypes.c_void_p]

        class CursorImage(ctypes.Structure):
            _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                        ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                        ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                        ("serial", ctypes.c_ulong), ("pixels", ctypes.c_void_p)]

        xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
        xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        dpy = xlib.XOpenDisplay(self.name.encode())
        check(dpy, "cannot open the virtual display")
        image = xfixes.XFixesGetCursorImage(dpy)
        result = None
        if image:
            c = image.contents
            result = (c.width, c.height, c.xhot, c.yhot)
            xlib.XFree(image)
        xlib.XCloseDisplay(dpy)
        return result

    def close(self):
        self.server.terminate()
        self.server.wait(timeout=DEADLINE)


class Game:
    """The program under test, run from its own temporary directory."""

    def __init__(self, display, program, source_dir, with_sound=True, cwd=None, env=None,
                 user=None, scale=1):
        """Starts `program` in a fresh temporary directory, or in `cwd`.

        Without sound, a copy of the program runs with no sound/ beside it.
        `env` adds to the environment; `user`, a (uid, gid) pair, runs the
        program as that user (the tests must run as root for that).
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
            self.proc = subprocess.Popen([program], cwd=cwd or self.dir, env=full_env, stdout=log,
                                         stderr=subprocess.STDOUT, **ids)
        try:
            def main_window():
                check(self.alive(), "the program ended at once")
                return self.find(TITLE)
            self.window = wait_for("the main window", main_window)
        except Failure:
            self.finish()
            raise
        x, y, w, h = display.geometry(self.window)
        # The picture fills the window below the menu bar; on a screen with
        # `scale` device pixels to a window pixel it is that much larger.
        self.scale = scale
        self.client = (x, y + h - CLIENT_H * scale, CLIENT_W * scale, CLIENT_H * scale)

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

    def check_still(self, what, seconds=0.6):
        first = self.frame().rgb
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            check(self.frame().rgb == first, what)
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


class Case:
    def __init__(self, program, source_dir):
        self.program, self.source_dir = program, source_dir
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
        game.wait_frame("the title screen", lambda shot: self.is_title(halve(shot, game.scale)))
        game.click(320, 240)
        game.wait_frame("the island scene", lambda shot: self.is_play(halve(shot, game.scale)))

    # The cases.

    def window(self, display):
        game = Game(display, self.program, self.source_dir)
        try:
            x, y, w, h = display.geometry(game.window)
            check(w == CLIENT_W, "window width %d" % w)
            check(h > CLIENT_H, "no menu bar above the picture: height %d" % h)
            check((x, y) == (140, 140), "window placed at (%d, %d)" % (x, y))
            # The title picture fills exactly the 640 x 480 below the menu bar.
            game.wait_frame("the title screen", self.is_title)
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
        finally:
            game.finish()

    def play_and_pause(self, display):
        game = Game(display, self.program, self.source_dir)
        try:
            self.start_play(game)
            game.check_changing("play frames to move")
            game.display.keys(game.window, "Return")
            game.wait_frame("the pause picture", self.is_paused)
            game.check_still("the frame froze while paused")
            game.display.keys(game.window, "KP_Enter")
            game.wait_frame("the pause picture to go", lambda shot: not self.is_paused(shot))
            game.check_changing("play to resume")
        finally:
            game.finish()

    def escape(self, display):
        game = Game(display, self.program, self.source_dir)
        try:
            game.wait_frame("the title screen", self.is_title)
            display.keys(game.window, "Escape")
            check(game.wait_exit() == 0, "exit status")
        finally:
            game.finish()

    def close_box(self, display):
        game = Game(display, self.program, self.source_dir)
        try:
            self.start_play(game)
            display.ask_to_close(game.window)
            check(game.wait_exit() == 0, "exit status")
        finally:
            game.finish()

    def exit_menu(self, display):
        game = Game(display, self.program, self.source_dir)
        try:
            game.wait_frame("the title screen", self.is_title)
            game.menu("f", "e")
            box = game.find_box("終了")
            display.keys(box, "alt+n")
            wait_for("the box to close", lambda: game.find("終了") is None)
            check(game.alive() and game.find(TITLE), "No ended the program")
            # The box lay over the picture: the window repaints it whole,
            # though the title frame itself never changes.
            game.wait_frame("the title screen to be repainted", self.is_title)
            # Still running: a click starts a game.
            self.start_play(game)
            game.menu("f", "e")
            box = game.find_box("終了")
            display.keys(box, "alt+y")
            check(game.wait_exit() == 0, "exit status")
        finally:
            game.finish()

    def version(self, display):
        game = Game(display, self.program, self.source_dir)
        try:
            self.start_play(game)
            game.menu("h", "v")
            box = game.find_box("バージョン")
            # No tick runs while the box is open.
            game.check_still("the game stood still behind the box")
            # Two lines of text with an empty line between them, then OK.
            x, y, w, h = display.geometry(box)
            shot = display.screenshot(x, y, w, h)
            inked = [any(sum(shot.rgb[i:i + 3]) < 3 * 0x70
                         for i in range(r * w * 3, (r + 1) * w * 3, 3)) for r in range(h)]
            bands = sum(1 for r in range(h) if inked[r] and (r == 0 or not inked[r - 1]))
            check(bands >= 3, "the box shows %d lines of text" % bands)
            display.keys(box, "Return")
            wait_for("the box to close", lambda: game.find("バージョン") is None)
            game.check_changing("play to go on")
            check(game.alive(), "the version box ended the program")
        finally:
            game.finish()

    def game_over(self, display):
        game = Game(display, self.program, self.source_dir)
        try:
            self.start_play(game)
            # Left alone, the princess is soon hit; with no scores yet, even
            # this game earns a place and the name entry opens over the frame.
            box = wait_for("the name entry", lambda: game.find("ゲームオーバー"), timeout=90)
            game.check_still("the game stood still behind the name entry")
            # The main window's close box does nothing while the dialog is up.
            display.ask_to_close(game.window)
            time.sleep(0.5)
            check(game.alive() and game.find(TITLE), "the close box ended the program")
            # Closing the dialog stores nothing and wipes back to the title.
            display.ask_to_close(box)
            game.wait_frame("the title screen", self.is_title)
            check(not glob.glob(os.path.join(game.dir, "work*.temp")), "work.temp was left")
            display.keys(game.window, "Escape")
            check(game.wait_exit() == 0, "exit status")
        finally:
            game.finish()

    def hidpi(self, display):
        """At two device pixels to a window pixel, each game pixel is a 2 x 2 block."""
        game = Game(display, self.program, self.source_dir, env={"GDK_SCALE": "2"}, scale=2)
        try:
            shot = game.wait_frame("the title screen, doubled",
                                   lambda shot: self.is_title(halve(shot)))
            blurred = sum(1 for y in range(0, 2 * CLIENT_H, 2) for x in range(0, 2 * CLIENT_W, 2)
                          if len({shot.pixel(x, y), shot.pixel(x + 1, y), shot.pixel(x, y + 1),
                                  shot.pixel(x + 1, y + 1)}) > 1)
            check(blurred == 0, "%d game pixels are smoothed, not doubled" % blurred)
            self.start_play(game)
        finally:
            game.finish()

    def init_failure(self, display):
        # A missing file, or a SoundFont that is not there: the box keeps the
        # game's title and adds a line naming what failed, standard error
        # gets the same line, and the exit status says the start failed.
        for what, with_sound, more_env in (
                ("sound/kyu.wav", False, None),
                ("/nonexistent/gm.sf2", True, {"MIRUTO_NANA_SOUNDFONT": "/nonexistent/gm.sf2"})):
            game = Game(display, self.program, self.source_dir, with_sound, env=more_env)
            try:
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
            finally:
                game.finish()
        # Without a display: one line saying so, and a failed status.
        env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        done = subprocess.run([self.program], env=env, capture_output=True, timeout=DEADLINE)
        said = done.stderr.decode("utf-8", "replace").splitlines()
        check(done.returncode != 0, "started without a display: status 0")
        check(len(said) == 1 and "DISPLAY" in said[0], "without a display it said %r" % said)

    def quit_signal(self, display, when, number):
        """Sends a signal at the title (with the exit question open), in play
        or in the name entry: the program ends as through its close box."""
        game = Game(display, self.program, self.source_dir)
        try:
            if when == "title":
                game.wait_frame("the title screen", self.is_title)
                game.menu("f", "e")
                game.find_box("終了")
            else:
                self.start_play(game)
            if when == "name_entry":
                wait_for("the name entry", lambda: game.find("ゲームオーバー"), timeout=90)
            game.proc.send_signal(number)
            check(game.wait_exit() == 0, "exit status after signal %d" % number)
            for left in ("work*.temp", "score.sav"):
                check(not glob.glob(os.path.join(game.dir, left)), left + " was left")
        finally:
            game.finish()

    def signal_title(self, display):
        self.quit_signal(display, "title", signal.SIGINT)

    def signal_play(self, display):
        self.quit_signal(display, "play", signal.SIGTERM)

    def signal_name_entry(self, display):
        self.quit_signal(display, "name_entry", signal.SIGHUP)


def main():
    program, source_dir, case = sys.argv[1:4]
    runner = Case(program, source_dir)
    # The doubled picture needs a larger screen.
    display = VirtualDisplay("2048x1536x24" if case == "hidpi" else "1024x768x24")
    try:
        getattr(runner, case)(display)
    except Failure as failure:
        print("FAILED:", failure)
        return 1
    finally:
        display.close()
    print("passed:", case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
