"""The X display a test runs on, and the pictures it reads back.

The tests run on a private virtual display of their own, which
tests/support/xvfb.sh starts (DISPLAY names it). This module drives the
programs on it with xdotool, reads the screen back with ImageMagick's
import, talks to the server itself where no tool does (a window
manager's close request and ping, the pointer's cursor), and reads the
game's BMP files to compare with. Every wait polls against a deadline.
"""

import ctypes
import os
import select
import struct
import subprocess
import time

# Generous: the tests also run under the sanitizers on a busy machine.
DEADLINE = 30.0
# The colour the game's pictures leave transparent.
KEY_COLOUR = 0xFF00FF


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


# --- Pictures -------------------------------------------------------------


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

    def inked(self, top, height, darker_than=0x70):
        """How many pixels of the rows from `top` are dark: text."""
        return sum(1 for r in range(top, top + height) for c in range(self.width)
                   if sum(self.rgb[(r * self.width + c) * 3:(r * self.width + c) * 3 + 3]) <
                   3 * darker_than)


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


# --- The X server itself ----------------------------------------------------

_CLIENT_MESSAGE = 33
_SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("serial", ctypes.c_ulong), ("pixels", ctypes.c_void_p)]


def _xlib():
    xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.c_void_p]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XPending.argtypes = [ctypes.c_void_p]
    xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    xlib.XConnectionNumber.argtypes = [ctypes.c_void_p]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    return xlib


class _Connection:
    """A connection of our own to the display, for one exchange."""

    def __init__(self, name):
        self.xlib = _xlib()
        self.dpy = self.xlib.XOpenDisplay(name.encode())
        check(self.dpy, "cannot open the display " + name)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.xlib.XCloseDisplay(self.dpy)

    def atom(self, name):
        return self.xlib.XInternAtom(self.dpy, name.encode(), 0)

    def protocol_message(self, window, protocol, stamp=0):
        """A WM_PROTOCOLS message as a window manager sends it."""
        event = _Event()
        event.xclient.type = _CLIENT_MESSAGE
        event.xclient.window = window
        event.xclient.message_type = self.atom("WM_PROTOCOLS")
        event.xclient.format = 32
        event.xclient.data[0] = self.atom(protocol)
        event.xclient.data[1] = stamp
        event.xclient.data[2] = window
        return event


class Display:
    """The display DISPLAY names, as a player and a window manager see it."""

    def __init__(self):
        self.name = os.environ.get("DISPLAY", "")
        check(self.name, "no DISPLAY: run the test through tests/support/xvfb.sh")
        self.env = dict(os.environ)
        self.pings = 0

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

    def window_shot(self, window):
        return self.screenshot(*self.geometry(window))

    def focus(self, window):
        self.run("xdotool", "windowfocus", "--sync", str(window))

    def keys(self, window, *keys):
        self.focus(window)
        for key in keys:
            self.run("xdotool", "key", key)

    def type(self, text):
        self.run("xdotool", "type", "--delay", "40", text)

    def click(self, x, y):
        # No --sync: it would wait for ever when the pointer is already there.
        # The server takes the move before the click all the same.
        self.run("xdotool", "mousemove", str(x), str(y), "click", "1")

    def ask_to_close(self, window):
        """Sends what a window manager's close box sends: WM_DELETE_WINDOW."""
        with _Connection(self.name) as x:
            event = x.protocol_message(window, "WM_DELETE_WINDOW")
            x.xlib.XSendEvent(x.dpy, window, 0, 0, ctypes.byref(event))
            x.xlib.XSync(x.dpy, 0)

    def settle(self, window, timeout=DEADLINE):
        """Waits until the program owning `window` has handled every event
        sent to it so far: the keys, clicks and messages before this call.

        Pings the window as a window manager does (_NET_WM_PING): the program
        answers once it has read the events queued before the ping, and it
        reads no further event before it has handled the ones already read;
        whatever those did to its windows reaches the server before the
        answer. Fails when no answer comes (the window is gone, or the
        program does not answer pings)."""
        self.pings += 1
        # Sent as 32 bits; the answer carries it back.
        stamp = ((os.getpid() << 8) + self.pings) & 0x7FFFFFFF
        with _Connection(self.name) as x:
            root = x.xlib.XDefaultRootWindow(x.dpy)
            x.xlib.XSelectInput(x.dpy, root, _SUBSTRUCTURE_NOTIFY_MASK)
            x.xlib.XSync(x.dpy, 0)
            ping = x.protocol_message(window, "_NET_WM_PING", stamp)
            x.xlib.XSendEvent(x.dpy, window, 0, 0, ctypes.byref(ping))
            x.xlib.XSync(x.dpy, 0)
            protocols, pong = x.atom("WM_PROTOCOLS"), x.atom("_NET_WM_PING")
            event = _Event()
            end = time.monotonic() + timeout
            while True:
                while x.xlib.XPending(x.dpy):
                    x.xlib.XNextEvent(x.dpy, ctypes.byref(event))
                    message = event.xclient
                    if event.type == _CLIENT_MESSAGE and message.message_type == protocols and \
                            message.data[0] == pong and message.data[1] == stamp:
                        return
                left = end - time.monotonic()
                check(left > 0, "window %d did not answer a ping" % window)
                select.select([x.xlib.XConnectionNumber(x.dpy)], [], [], left)

    def cursor(self):
        """Width, height and hot spot of the pointer's current cursor."""
        xfixes = ctypes.cdll.LoadLibrary("libXfixes.so.3")
        xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
        xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        with _Connection(self.name) as x:
            image = xfixes.XFixesGetCursorImage(x.dpy)
            if not image:
                return None
            c = image.contents
            result = (c.width, c.height, c.xhot, c.yhot)
            x.xlib.XFree(image)
            return result
