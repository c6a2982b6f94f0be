"""The end-to-end tests' library: the virtual X server, one X client for
input, windows and screenshots (libX11 through ctypes, with key and pointer
events through XTest), the game process, reading the board off the screen, the
game's data files through its own code (tm_datacheck), the saved games the
tests start from, and the Session the test scripts build on.

Only standard-library Python. Needs the Debian packages that scripts/deps.sh
installs: xvfb, libx11-6, libxtst6, x11-xkb-utils (setxkbmap, for the layouts) and the sound tools of sound.py.
A tool that is missing fails the test with its name; nothing is installed
from here.
"""
import contextlib
import ctypes
import ctypes.util
import json
import os
import select
import shutil
import subprocess
import tempfile
import time

SKIP = 77  # the exit status CTest reports as "skipped"

# Program -> Debian package that provides it.
TOOLS = {"Xvfb": "xvfb", "setxkbmap": "x11-xkb-utils"}

SCREEN_W, SCREEN_H = 1920, 1200
FRAME = (0x60, 0x00, 0xF0)  # the board's frame colour
# A colour that only robot k's pictures show on the board (body paint; the
# halt pictures keep it): the red saucer and the green tank.
ROBOT_PAINT = {0: (0xFF, 0x3C, 0x3C), 1: (0x3C, 0xD8, 0x50)}
# The sizes of the game's fixed-size windows.
START_SIZE = (762, 620)
NAME_ENTRY_SIZE = (436, 104)
SCORES_SIZE = (460, 733)


class Failure(Exception):
    """A check of the game failed."""


class Skip(Exception):
    """No X server can run here."""


def fail_on(problems):
    """Raises a Failure naming the first few problems, if there are any."""
    if problems:
        raise Failure("; ".join(problems[:6]))


def log(msg):
    print(msg, flush=True)


# ---------------------------------------------------------------- deadline

_deadline = [time.monotonic() + 300]


def set_budget(seconds):
    _deadline[0] = time.monotonic() + seconds


def wait_for(what, predicate, timeout=10.0, interval=0.03):
    """Polls predicate until it returns something true; returns that value.
    Fails after timeout seconds, or when the overall budget is spent."""
    end = min(time.monotonic() + timeout, _deadline[0])
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= end:
            if time.monotonic() >= _deadline[0]:
                raise Failure(f"overall time budget spent while waiting for {what}")
            raise Failure(f"timed out after {timeout:.1f} s waiting for {what}")
        time.sleep(interval)


# ------------------------------------------------------------------- tools

def require_tools(tools):
    """Fails naming every program of tools ({program: package}) that is not
    installed (scripts/deps.sh installs them all)."""
    missing = [f"{prog} (package {pkg})" for prog, pkg in tools.items() if not shutil.which(prog)]
    if missing:
        raise Failure(f"missing: {', '.join(missing)}; scripts/deps.sh installs it")


def ensure_tools():
    """Fails naming the X tools or the X library that are missing."""
    require_tools(TOOLS)
    _xlib()
    _xtst()


def end_process(proc):
    """Ends a process this harness started: politely, then for sure."""
    if proc is None or proc.poll() is not None:
        return
    proc.terminate()
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


# ---------------------------------------------------------------- X server

class XServer:
    """An Xvfb on a display it picks itself, without a window manager."""

    def __init__(self, width=SCREEN_W, height=SCREEN_H):
        self.width, self.height = width, height
        self.proc = None
        self.display = None

    def __enter__(self):
        rfd, wfd = os.pipe()
        try:
            self.proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(wfd), "-screen", "0",
                 f"{self.width}x{self.height}x24", "-nolisten", "tcp", "-noreset"],
                pass_fds=(wfd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.PIPE)
        except OSError as e:
            raise Skip(f"Xvfb cannot start: {e}")
        os.close(wfd)
        number = b""
        end = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < end:
            ready, _, _ = select.select([rfd], [], [], 0.2)
            if ready:
                chunk = os.read(rfd, 64)
                if not chunk:
                    break
                number += chunk
            elif self.proc.poll() is not None:
                break
        os.close(rfd)
        if not number.strip().isdigit():
            err = b""
            if self.proc.poll() is not None:
                err = self.proc.stderr.read()[-400:]
            self.__exit__(None, None, None)
            raise Skip("Xvfb did not start: " + err.decode(errors="replace").strip())
        self.display = ":" + number.decode().strip()
        return self

    def __exit__(self, *exc):
        end_process(self.proc)
        return False


# ------------------------------------------------------------------- X I/O
#
# One X client for everything the tests do on the screen: libX11 and its
# XTest extension through ctypes. Its key events reach the server in under
# a tenth of a millisecond and a board row's pixels come back in about as
# long, which the latency measurements rely on.

class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong), ("class_", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("l", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xclient", XClientMessageEvent),
                ("pad", ctypes.c_long * 24)]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class XKeyboardState(ctypes.Structure):
    _fields_ = [("key_click_percent", ctypes.c_int), ("bell_percent", ctypes.c_int),
                ("bell_pitch", ctypes.c_uint), ("bell_duration", ctypes.c_uint),
                ("led_mask", ctypes.c_ulong), ("global_auto_repeat", ctypes.c_int),
                ("auto_repeats", ctypes.c_char * 32)]


# X protocol values.
IS_VIEWABLE, CLIENT_MESSAGE, MAP_NOTIFY = 2, 33, 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
REVERT_TO_PARENT, CURRENT_TIME = 2, 0
ALL_PLANES, Z_PIXMAP = 0xFFFFFFFF, 2

ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
# A window can vanish between two requests: its errors are expected. One
# handler for the process, so that libX11 never holds a freed callback.
_IGNORE_ERRORS = ERROR_HANDLER(lambda dpy, event: 0)
_libs = {}


def _library(name, so):
    """libX11 or libXtst, loaded once, or a Failure naming its package."""
    if name not in _libs:
        try:
            _libs[name] = ctypes.CDLL(ctypes.util.find_library(name) or so)
        except OSError as e:
            package = {"X11": "libx11-6", "Xtst": "libxtst6"}[name]
            raise Failure(f"missing: lib{name} (package {package}): {e}")
    return _libs[name]


def _xlib():
    lib = _library("X11", "libX11.so.6")
    if getattr(lib, "_tm_typed", False):
        return lib
    vp, ul, i, ui = ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint
    P = ctypes.POINTER
    signatures = {
        "XOpenDisplay": (vp, [ctypes.c_char_p]),
        "XCloseDisplay": (i, [vp]),
        "XDefaultRootWindow": (ul, [vp]),
        "XInternAtom": (ul, [vp, ctypes.c_char_p, i]),
        "XQueryTree": (i, [vp, ul, P(ul), P(ul), P(P(ul)), P(ui)]),
        "XGetWindowAttributes": (i, [vp, ul, P(XWindowAttributes)]),
        "XTranslateCoordinates": (i, [vp, ul, ul, i, i, P(i), P(i), P(ul)]),
        "XFetchName": (i, [vp, ul, P(ctypes.c_char_p)]),
        "XFree": (i, [vp]),
        "XSendEvent": (i, [vp, ul, i, ctypes.c_long, P(XEvent)]),
        "XSync": (i, [vp, i]),
        "XGetImage": (P(XImage), [vp, ul, i, i, ui, ui, ul, i]),
        "XDestroyImage": (i, [P(XImage)]),
        "XSetErrorHandler": (vp, [ERROR_HANDLER]),
        "XStringToKeysym": (ul, [ctypes.c_char_p]),
        "XKeysymToKeycode": (ctypes.c_ubyte, [vp, ul]),
        "XkbKeycodeToKeysym": (ul, [vp, ctypes.c_ubyte, i, i]),
        "XAutoRepeatOn": (i, [vp]),
        "XAutoRepeatOff": (i, [vp]),
        "XGetKeyboardControl": (i, [vp, P(XKeyboardState)]),
        "XSetInputFocus": (i, [vp, ul, i, ul]),
        "XGetInputFocus": (i, [vp, P(ul), P(i)]),
        "XRaiseWindow": (i, [vp, ul]),
        "XMoveWindow": (i, [vp, ul, i, i]),
        "XQueryPointer": (i, [vp, ul, P(ul), P(ul), P(i), P(i), P(i), P(i), P(ui)]),
        "XSelectInput": (i, [vp, ul, ctypes.c_long]),
        "XNextEvent": (i, [vp, P(XEvent)]),
    }
    for fn, (res, args) in signatures.items():
        getattr(lib, fn).restype, getattr(lib, fn).argtypes = res, args
    lib.XSetErrorHandler(_IGNORE_ERRORS)
    lib._tm_typed = True
    return lib


def _xtst():
    lib = _library("Xtst", "libXtst.so.6")
    vp, ui, i, ul = ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong
    lib.XTestFakeKeyEvent.argtypes = [vp, ui, i, ul]
    lib.XTestFakeButtonEvent.argtypes = [vp, ui, i, ul]
    lib.XTestFakeMotionEvent.argtypes = [vp, i, i, i, ul]
    return lib


def _connect(display):
    lib = _xlib()
    dpy = lib.XOpenDisplay(display.encode())
    if not dpy:
        raise Failure(f"cannot open display {display}")
    return lib, dpy


# How long a window just mapped may take to show its first paint.
FIRST_PAINT_SECONDS = 1.0

# The pause between a key's or a button's press and its release in a plain
# tap or click.
TAP_SECONDS = 0.012

# The hero moves again only at a tick more than 6 Ticks (100 ms) after his
# last move; a tap that comes up before then is read by no move. A player's
# next tap comes later: tests wait this long after a move showed.
HERO_REST_SECONDS = 0.15


class X:
    """One connection to the display: the windows on it, screenshots, close
    requests, the server's auto-repeat, and real key and pointer events
    through XTest (each one synchronised with the server before the call
    returns, and stamped by the server with its own time, as a keyboard's)."""

    def __init__(self, display):
        self.display = display
        self.env = dict(os.environ, DISPLAY=display)
        self.dpy = None
        self.xtest = _xtst()
        self.reopen()

    def reopen(self):
        """A new connection: a connection keeps the key map it started with,
        so this follows a change of the layout."""
        self.close()
        self.lib, self.dpy = _connect(self.display)
        self.root = self.lib.XDefaultRootWindow(self.dpy)
        self.wm_protocols = self.lib.XInternAtom(self.dpy, b"WM_PROTOCOLS", 0)
        self.wm_delete = self.lib.XInternAtom(self.dpy, b"WM_DELETE_WINDOW", 0)

    def close(self):
        if self.dpy:
            self.lib.XCloseDisplay(self.dpy)
            self.dpy = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def sync(self):
        self.lib.XSync(self.dpy, 0)

    def run(self, args, timeout=10, check=True):
        """Runs an X tool (setxkbmap) on this display."""
        try:
            r = subprocess.run(args, env=self.env, capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{' '.join(args)} did not finish within {timeout} s")
        if check and r.returncode != 0:
            raise Failure(f"{' '.join(args)} failed: {r.stderr.decode(errors='replace').strip()}")
        return r

    # ---------------------------------------------------------- windows

    def all_windows(self):
        """The mapped top-level windows, bottom to top: (id, title, left,
        top, width, height, popup)."""
        lib, ul = self.lib, ctypes.c_ulong
        root, parent, children, count = ul(), ul(), ctypes.POINTER(ul)(), ctypes.c_uint()
        if not lib.XQueryTree(self.dpy, self.root, ctypes.byref(root), ctypes.byref(parent),
                              ctypes.byref(children), ctypes.byref(count)):
            return []
        ids = [children[i] for i in range(count.value)]
        if children:
            lib.XFree(children)
        out = []
        for wid in ids:
            a = XWindowAttributes()
            if not lib.XGetWindowAttributes(self.dpy, wid, ctypes.byref(a)) or \
                    a.map_state != IS_VIEWABLE:
                continue
            name = ctypes.c_char_p()
            title = ""
            if lib.XFetchName(self.dpy, wid, ctypes.byref(name)) and name.value is not None:
                title = name.value.decode("latin-1")
                lib.XFree(name)
            out.append((wid, title, a.x + a.border_width, a.y + a.border_width, a.width,
                        a.height, bool(a.override_redirect)))
        return out

    def windows(self, name):
        """Ids of the mapped top-level windows whose whole title is name."""
        return [w[0] for w in self.all_windows() if w[1] == name]

    def sync_window(self, name, timeout=10):
        """Waits for a mapped window of that title; returns the ids."""
        try:
            return wait_for(f'a window "{name}"', lambda: self.windows(name), timeout=timeout,
                            interval=0.02)
        except Failure:
            raise Failure(f'no window "{name}" appeared within {timeout} s')

    def geometry(self, wid):
        """(left, top, width, height, mapped) of a window, or None when it is gone."""
        a = XWindowAttributes()
        if not self.lib.XGetWindowAttributes(self.dpy, wid, ctypes.byref(a)):
            return None
        x, y, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
        if not self.lib.XTranslateCoordinates(self.dpy, wid, self.root, 0, 0, ctypes.byref(x),
                                              ctypes.byref(y), ctypes.byref(child)):
            return None
        return x.value, y.value, a.width, a.height, a.map_state == IS_VIEWABLE

    def raise_window(self, wid):
        self.lib.XRaiseWindow(self.dpy, wid)
        self.sync()

    def move_window(self, wid, left, top):
        """Moves the window as a player's drag would (there is no window
        manager to ask)."""
        self.lib.XMoveWindow(self.dpy, wid, left, top)
        self.sync()

    def focus(self, wid, timeout=5):
        """The keyboard focus to the window; returns once the server has it
        there."""
        self.lib.XSetInputFocus(self.dpy, wid, REVERT_TO_PARENT, CURRENT_TIME)
        self.sync()
        focus, revert = ctypes.c_ulong(), ctypes.c_int()
        end = time.monotonic() + timeout
        while True:
            self.lib.XGetInputFocus(self.dpy, ctypes.byref(focus), ctypes.byref(revert))
            if focus.value == wid:
                return
            if time.monotonic() >= end or self.geometry(wid) is None:
                raise Failure(f"window 0x{wid:x} did not take the keyboard focus")
            time.sleep(0.005)

    # ---------------------------------------------------------- pointer

    def pointer(self):
        """Where the pointer is on the screen."""
        ul, ci = ctypes.c_ulong, ctypes.c_int
        r, c, rx, ry, wx, wy, m = ul(), ul(), ci(), ci(), ci(), ci(), ctypes.c_uint()
        self.lib.XQueryPointer(self.dpy, self.root, *map(ctypes.byref, (r, c, rx, ry, wx, wy, m)))
        return rx.value, ry.value

    def pointer_to(self, wid, x, y):
        """The pointer to (x, y) in the window's coordinates (the screen's
        for wid None); returns once the server has it there."""
        if wid is not None:
            g = self.geometry(wid)
            if g is None:
                raise Failure(f"window 0x{wid:x} is gone")
            x, y = g[0] + x, g[1] + y
        self.xtest.XTestFakeMotionEvent(self.dpy, -1, x, y, CURRENT_TIME)
        self.sync()
        end = time.monotonic() + 2
        while self.pointer() != (x, y) and time.monotonic() < end:
            time.sleep(0.002)

    def button(self, down, number=1):
        self.xtest.XTestFakeButtonEvent(self.dpy, number, 1 if down else 0, CURRENT_TIME)
        self.sync()

    def click(self, wid, x, y):
        """A left click at (x, y) in the window's coordinates."""
        self.pointer_to(wid, x, y)
        self.button(True)
        time.sleep(TAP_SECONDS)
        self.button(False)

    # -------------------------------------------------------------- keys

    def keycode(self, key):
        """The keycode of the key that types the keysym name ("z", "space",
        "Escape") on the current layout; a keycode stays as it is."""
        if isinstance(key, int):
            return key
        sym = self.lib.XStringToKeysym(key.encode())
        code = self.lib.XKeysymToKeycode(self.dpy, sym) if sym else 0
        if not code:
            raise Failure(f"no key types {key!r} on this layout")
        return code

    def key_event(self, key, down):
        """A real press or release through XTest: key is a keysym name or a
        keycode. Returns once the server has it."""
        self.xtest.XTestFakeKeyEvent(self.dpy, self.keycode(key), 1 if down else 0, CURRENT_TIME)
        self.sync()

    def keydown(self, key):
        self.key_event(key, True)

    def keyup(self, key):
        self.key_event(key, False)

    def hold(self, key, seconds):
        """The key down for a moment, as a player taps it."""
        self.keydown(key)
        time.sleep(seconds)
        self.keyup(key)

    def key(self, key):
        """A plain tap of the key."""
        self.hold(key, TAP_SECONDS)

    def chord(self, keys, seconds):
        """The keys pressed in turn, held together that long, and let go in
        the opposite order."""
        for k in keys:
            self.keydown(k)
        time.sleep(seconds)
        for k in reversed(keys):
            self.keyup(k)

    def type(self, text, delay=0.03):
        """Types the text key by key, delay seconds apart, with Shift where
        the layout puts the character on a key's second level."""
        for ch in text:
            sym = ord(ch) if ord(ch) < 0x100 else 0x01000000 | ord(ch)
            code = self.lib.XKeysymToKeycode(self.dpy, sym)
            if not code:
                raise Failure(f"no key types {ch!r} on this layout")
            shift = self.lib.XkbKeycodeToKeysym(self.dpy, code, 0, 0) != sym
            if shift:
                self.keydown("Shift_L")
            self.key_event(code, True)
            self.key_event(code, False)
            if shift:
                self.keyup("Shift_L")
            time.sleep(delay)

    def auto_repeat(self, on):
        """The server's key auto-repeat on or off."""
        (self.lib.XAutoRepeatOn if on else self.lib.XAutoRepeatOff)(self.dpy)
        self.sync()

    def auto_repeat_on(self):
        """Whether the server repeats held keys."""
        state = XKeyboardState()
        self.lib.XGetKeyboardControl(self.dpy, ctypes.byref(state))
        return state.global_auto_repeat != 0

    def close_request(self, wid):
        """What a window manager's close box sends: WM_DELETE_WINDOW."""
        ev = XEvent()
        ev.xclient.type = CLIENT_MESSAGE
        ev.xclient.window = wid
        ev.xclient.message_type = self.wm_protocols
        ev.xclient.format = 32
        ev.xclient.l[0] = self.wm_delete
        ev.xclient.l[1] = CURRENT_TIME
        self.lib.XSendEvent(self.dpy, wid, 0, 0, ctypes.byref(ev))
        self.sync()

    # ------------------------------------------------------- the screen

    def grab_raw(self, left, top, width, height):
        """The rectangle's pixels as the server sends them (BGRX bytes), or
        None: a cheap way to see whether a part of the screen changed."""
        img = self.lib.XGetImage(self.dpy, self.root, left, top, width, height, ALL_PLANES,
                                 Z_PIXMAP)
        if not img:
            return None
        try:
            im = img.contents
            return ctypes.string_at(im.data, im.bytes_per_line * im.height)
        finally:
            self.lib.XDestroyImage(img)

    def grab(self, left, top, width, height):
        """The screen's pixels in the rectangle (cut to the screen) as a
        Shot, or None when nothing of it is on the screen."""
        x0, y0 = max(0, left), max(0, top)
        x1, y1 = min(SCREEN_W, left + width), min(SCREEN_H, top + height)
        if x1 <= x0 or y1 <= y0:
            return None
        w, h = x1 - x0, y1 - y0
        raw = self.grab_raw(x0, y0, w, h)
        if raw is None:
            return None
        if len(raw) != 4 * w * h:
            raise Failure(f"unexpected screen format: {len(raw)} bytes for {w} x {h} pixels")
        rgb = bytearray(3 * w * h)
        rgb[0::3], rgb[1::3], rgb[2::3] = raw[2::4], raw[1::4], raw[0::4]  # BGRX to RGB
        return Shot(w, h, bytes(rgb), x0, y0)

    def map_watch(self):
        """A second connection that sees windows mapped from now on."""
        return MapWatch(self.display)


class MapWatch:
    """Windows mapped on the screen, as the root window's events tell."""

    def __init__(self, display):
        self.lib, self.dpy = _connect(display)
        self.lib.XSelectInput(self.dpy, self.lib.XDefaultRootWindow(self.dpy),
                              SUBSTRUCTURE_NOTIFY_MASK)
        self.lib.XSync(self.dpy, 0)

    def next_map(self):
        """Blocks until a window is mapped; returns time.monotonic() then."""
        ev = XEvent()
        while True:
            self.lib.XNextEvent(self.dpy, ctypes.byref(ev))
            if ev.type == MAP_NOTIFY:
                return time.monotonic()

    def close(self):
        self.lib.XCloseDisplay(self.dpy)


class Shot:
    """An RGB screenshot; pixel coordinates are relative to its own corner."""

    def __init__(self, width, height, data, left=0, top=0):
        self.width, self.height, self.data = width, height, data
        self.left, self.top = left, top

    def px(self, x, y):
        i = 3 * (y * self.width + x)
        d = self.data
        return d[i], d[i + 1], d[i + 2]

    def region(self, x0, y0, x1, y1, step=1):
        for y in range(max(0, y0), min(self.height, y1), step):
            for x in range(max(0, x0), min(self.width, x1), step):
                yield self.px(x, y)

    def count(self, rgb):
        """Pixels of exactly this colour (a byte search: a run across two
        pixels could match too, which the checks' margins absorb)."""
        return self.data.count(bytes(rgb))

    def save(self, path):
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height))
            f.write(self.data)


# ------------------------------------------------------------ the game run

class Game:
    """One run of the game binary with its own home and data folder."""

    def __init__(self, binary, x, home):
        self.binary, self.x, self.home = binary, x, home
        self.data_dir = os.path.join(home, "data", "Tarrowmead", "Tarrowmead")
        self.proc = None
        self.started = None

    def env(self):
        runtime = os.path.join(self.home, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "XDG_"))}
        env.update(DISPLAY=self.x.display, HOME=self.home,
                   XDG_DATA_HOME=os.path.join(self.home, "data"),
                   XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb")
        return env

    def start(self):
        self.log = open(os.path.join(self.home, "game.log"), "ab")
        self.started = time.monotonic()
        self.proc = subprocess.Popen([self.binary], env=self.env(), stdin=subprocess.DEVNULL,
                                     stdout=self.log, stderr=self.log, cwd=self.home)
        return self

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def stop(self):
        end_process(self.proc)
        if self.proc is not None:
            self.log.close()

    def ends_with_status_0(self, within=10):
        """Waits for the program to end by itself: it must, within the time
        given, with status 0."""
        try:
            wait_for("the program to end", lambda: not self.alive(), timeout=within)
        except Failure:
            raise Failure(f"the program still runs {within} s later")
        status = self.proc.returncode
        self.stop()
        if status != 0:
            raise Failure(f"the program ended with status {status}")

    def file(self, name):
        return os.path.join(self.data_dir, name)

    def lines(self, name):
        """The file's lines, or None while it does not exist."""
        try:
            with open(self.file(name), encoding="latin-1", newline="") as f:
                text = f.read()
        except FileNotFoundError:
            return None
        return text.splitlines()


# ----------------------------------------------------------- board geometry

COLUMNS, ROWS = 17, 15


def trunc(v):
    return int(v)  # toward zero, and every value here is positive


class Board:
    """The board canvas of the game window at one scale, on the screen."""

    def __init__(self, scale, canvas_left, canvas_top):
        self.scale = scale
        self.left, self.top = canvas_left, canvas_top  # screen position of the canvas
        self.width = trunc(850 * scale)
        self.height = trunc(600 * scale)
        self.cw, self.ch = 50 * scale, 40 * scale
        self.xs = [0, trunc(50 * scale)]
        for _ in range(2, COLUMNS):
            self.xs.append(trunc(self.xs[-1] + 50 * scale))
        self.ys = [0, trunc(40 * scale)]
        for _ in range(2, ROWS):
            self.ys.append(trunc(self.ys[-1] + 40 * scale))

    def grab(self, x):
        # One pixel wider than 850 x scale at 1.25, where the canvas ends at the window edge.
        return x.grab(self.left, self.top, self.width, self.height)

    def cell_box(self, c, r):
        """The cell's picture rectangle on the canvas, one pixel in from its edges."""
        x0, y0 = self.xs[c], self.ys[r]
        return x0 + 1, y0 + 1, trunc(x0 + self.cw) - 1, trunc(y0 + self.ch) - 1

    def classify(self, shot, c, r):
        """"empty" (black), "wall" (a wall block) or "figure" (the hero or a robot)."""
        x0, y0, x1, y1 = self.cell_box(c, r)
        total = black = brick = 0
        for (red, green, blue) in shot.region(x0, y0, x1, y1, 2):
            total += 1
            if max(red, green, blue) < 24:
                black += 1
            elif red > 100 and red > green + 30 and red > blue + 30:
                brick += 1
        if black >= 0.99 * total:
            return "empty"
        if black < 0.05 * total and brick > 0.6 * total:
            return "wall"
        return "figure"

    def read(self, shot):
        """The interior cells as classes, {(c, r): class}."""
        return {(c, r): self.classify(shot, c, r)
                for c in range(1, COLUMNS - 1) for r in range(1, ROWS - 1)}

    def border_cells(self):
        return [(c, r) for c in range(COLUMNS) for r in range(ROWS)
                if c in (0, COLUMNS - 1) or r in (0, ROWS - 1)]

    def border_faults(self, shot):
        """Border cells with a sampled pixel that is not the frame colour."""
        s = self.scale
        faults = []
        for c, r in self.border_cells():
            # The frame's bands: column 0 ends at 49 x scale (the strip up to
            # column 1 stays black), column 16 starts at 800 x scale, the top
            # and bottom bands are 40 x scale high.
            if c == 0:
                x0, x1 = 0, trunc(49 * s)
            elif c == COLUMNS - 1:
                x0, x1 = trunc(800 * s) + 1, self.width
            else:
                x0, x1 = self.xs[c], trunc(self.xs[c] + self.cw)
            if r == 0:
                y0, y1 = 0, trunc(40 * s)
            elif r == ROWS - 1:
                y0, y1 = self.height - trunc(40 * s), self.height
            else:
                y0, y1 = self.ys[r], trunc(self.ys[r] + self.ch)
            for i in range(5):
                for j in range(5):
                    x = x0 + 2 + (x1 - x0 - 5) * i // 4
                    y = y0 + 2 + (y1 - y0 - 5) * j // 4
                    if shot.px(x, y) != FRAME:
                        faults.append(((c, r), (x, y), shot.px(x, y)))
                        break
                else:
                    continue
                break
        return faults

    def white_in_top_band(self, shot):
        """Count of near-white pixels on the frame's top band (the pause message)."""
        s = self.scale
        return sum(1 for p in shot.region(trunc(60 * s), 0, self.width, trunc(40 * s))
                   if min(p) > 200)


def expected_class(codes, c, r):
    """The classes a cell of this saved-board code may show: a robot's picture
    reaches 30 x scale pixels into the cell below it (all robots but robot 1)."""
    code = codes[c][r]
    if code == 1:
        return {"wall"}
    if code in (2, 4, 5, 6, 7):
        return {"figure"}
    if code == 0 and r > 1 and codes[c][r - 1] in (4, 6, 7):
        return {"empty", "figure"}
    return {"empty"}


def board_mismatches(board_classes, codes, loose_robots=False):
    """The cells whose look does not fit the codes. With loose_robots a robot
    may be between two cells: its cell and the empty cells around it may
    show either."""
    out = []
    robots = {(c, r) for c in range(COLUMNS) for r in range(ROWS) if codes[c][r] >= 4}
    for (c, r), seen in sorted(board_classes.items()):
        want = expected_class(codes, c, r)
        near = any((c + dc, r + dr) in robots for dc in (-1, 0, 1) for dr in (-1, 0, 1))
        if loose_robots and near and codes[c][r] in (0, 4, 5, 6, 7):
            want = {"empty", "figure"}
        if seen not in want:
            out.append(f"cell ({c},{r}) code {codes[c][r]} shows {seen}")
    return out


# ------------------------------------------------ the game's data files

# The game's own readers and writer of its data files (tm_datacheck, built
# beside the game; TM_DATACHECK names another).
_datacheck = [os.environ.get("TM_DATACHECK")]

COUNTERS = ["monsactive", "lives", "totalmons", "monsleft", "currentscore", "timeleft",
            "exlives", "monstrapped"]


def _datacheck_run(mode, text):
    """tm_datacheck's output for the mode (an argument or a list of them)
    with text on its standard input."""
    path = _datacheck[0]
    args = [mode] if isinstance(mode, str) else mode
    if not path or not os.access(path, os.X_OK):
        raise Failure(f"no tm_datacheck at {path} (built with the game)")
    r = subprocess.run([path, *args], input=text.encode("utf-8", "surrogateescape"),
                       capture_output=True, timeout=20)
    if r.returncode != 0:
        raise Failure(f"tm_datacheck {' '.join(args)} failed: "
                      f"{r.stderr.decode(errors='replace').strip()}")
    return r.stdout.decode("utf-8")


def _lines_text(lines):
    return "".join(line + "\n" for line in lines)


def parse_saved_game(lines):
    """(codes[c][r], counters dict) of a saved-game file's lines, as the game reads them."""
    game = json.loads(_datacheck_run("--read-saved-game", _lines_text(lines)))
    counters = {name: game[name] for name in COUNTERS}
    counters["robots"] = [tuple(cell) for cell in game["robots"]]
    counters["hero"] = tuple(game["hero"])
    counters["playable"] = game["playable"]
    return game["space"], counters


def saved_game_lines(codes, counters):
    """The lines the game writes for this saved game."""
    game = {name: counters[name] for name in COUNTERS}
    game.update(space=codes, robots=[list(cell) for cell in counters["robots"]],
                hero=list(counters["hero"]))
    return _datacheck_run("--write-saved-game", json.dumps(game)).splitlines()


# ------------------------------------------------------------ hero moves

# The move keys and the directions tm_datacheck --move takes.
DIRECTIONS = {"z": "left", "x": "right", "slash": "down", "grave": "up"}


def hero_move(codes, hero, key):
    """The board and hero cell after one move of the hero on the move key,
    by the game's own code. Returns (codes, hero)."""
    board = json.dumps({"space": codes, "hero": list(hero)})
    out = json.loads(_datacheck_run(["--move", DIRECTIONS[key]], board))
    return out["space"], tuple(out["hero"])


def parse_score_file(lines):
    """([(name, score, date)] * 16, scale, speed) of the score file's lines, as
    the game reads them; a setting the game cannot use is None."""
    data = json.loads(_datacheck_run("--read-score-file", _lines_text(lines)))
    return [tuple(entry) for entry in data["table"]], data["scale"], data["speed"]


def new_home(prefix="tm-e2e-"):
    return tempfile.mkdtemp(prefix=prefix)


# ------------------------------------------------------------ a session

SIZES = {1.0: "SMALL", 1.25: "MEDIUM", 1.5: "LARGE"}
# Slider1 keys from any position: game size 4, 5 or 6 (scale x 4).
SIZE_KEYS = {1.0: ["Home"], 1.25: ["Home", "Right"], 1.5: ["End"]}
# Slider2 keys: a robot tick every 200 ms ("FAST" end) or every 500 ms ("SLOW").
SPEED_KEYS = {"fast": "Home", "slow": "End"}


class Session:
    """One game after another in one home folder, each check a step that
    reports itself; the moves a player makes in the game's windows."""

    def __init__(self, x, binary, home):
        self.x, self.binary, self.home = x, binary, home
        self.game = None
        self.shots = os.path.join(home, "shots")
        os.makedirs(self.shots, exist_ok=True)
        self.failed = False
        self.menubar = None

    # -------------------------------------------------------- reporting

    @contextlib.contextmanager
    def step(self, name):
        t0 = time.monotonic()
        try:
            yield
        except Failure as e:
            self.failed = True
            e.reported = True
            path = self.snapshot("failed")
            log(f"[FAIL] {name}: {e}")
            log(f"       screen at the failure: {path}")
            raise
        log(f"[ok]   {name} ({time.monotonic() - t0:.2f} s)")

    def play(self, runs, independent=False):
        """Plays the runs in turn, each game stopped after its run; a failed
        run ends the session unless the runs are independent. Returns
        whether any failed."""
        for run in runs:
            try:
                run()
            except Failure as e:
                if not getattr(e, "reported", False):  # failed outside a step
                    self.failed = True
                    log(f"[FAIL] {run.__name__}: {e}")
                if not independent:
                    break
            finally:
                if self.game:
                    self.game.stop()
        return self.failed

    def keep_shot(self, label):
        """A screenshot to look at afterwards (TM_E2E_KEEP=1)."""
        if os.environ.get("TM_E2E_KEEP"):
            self.snapshot(label)

    def snapshot(self, label):
        path = os.path.join(self.shots, f"{time.strftime('%H%M%S')}-{label}.ppm")
        try:
            self.x.grab(0, 0, SCREEN_W, SCREEN_H).save(path)
        except Failure:
            return "(no screenshot)"
        return path

    # ---------------------------------------------------------- windows

    def titled(self, title):
        return [(w, self.x.geometry(w)) for w in self.x.windows(title)]

    def mapped(self, wid):
        g = self.x.geometry(wid)
        return bool(g and g[4])

    def game_window(self, want_w, timeout=10):
        """The game window, want_w pixels wide, and its geometry once it is shown."""
        def shown():
            for w, g in self.titled("Tarrowmead"):
                if w != self.start and g and g[4] and g[2] == want_w:
                    return w, g
            return None
        return wait_for(f"a game window {want_w} pixels wide", shown, timeout=timeout)

    def start_game(self):
        self.game = Game(self.binary, self.x, self.home).start()
        self.x.sync_window("Tarrowmead", timeout=20)

        def start_window():
            for w, g in self.titled("Tarrowmead"):
                if g and g[4] and (g[2], g[3]) == START_SIZE:
                    return w, g
            return None
        with self.step("the start window opens at 762 x 620"):
            self.start, geo = wait_for("the start window at 762 x 620", start_window)
        self.start_geo = geo
        self.first_paint(geo)
        return geo

    # A window just mapped shows its first paint a moment later: the checks
    # look at it once it is there (or once the moment is over).

    def first_paint(self, geo):
        """Waits for the start window's title picture."""
        def painted():
            shot = self.x.grab(geo[0] + 100, geo[1] + 40, 40, 40)
            return shot is not None and any(max(p) > 60 for p in shot.region(0, 0, 40, 40, 4))
        with contextlib.suppress(Failure):
            wait_for("the first paint", painted, timeout=FIRST_PAINT_SECONDS, interval=0.01)

    def board_painted(self):
        """Waits for the game window's board frame."""
        with contextlib.suppress(Failure):
            wait_for("the board's first paint", lambda: not self.board.border_faults(
                self.board.grab(self.x)), timeout=FIRST_PAINT_SECONDS, interval=0.01)

    def start_button_shown(self, which):
        """Whether the start window shows a push button there (the board
        behind it is black)."""
        left, top = self.start_geo[0], self.start_geo[1]
        box = {"load": (277, 519, 214, 35)}[which]
        shot = self.x.grab(left + box[0], top + box[1], box[2], box[3])
        lit = sum(1 for p in shot.region(0, 0, shot.width, shot.height, 3) if max(p) > 40)
        return lit > 100

    def choose_settings(self, scale, robots=None):
        """The game size, and the robots' speed ("fast", "slow") unless None."""
        x = self.x
        x.focus(self.start)
        x.click(self.start, 73 + 122, 379 + 15)  # Slider1 takes the keyboard focus
        for k in SIZE_KEYS[scale]:
            x.key(k)
        if robots:
            x.click(self.start, 424 + 122, 379 + 15)  # Slider2
            x.key(SPEED_KEYS[robots])

    def open_game_window(self, scale, button):
        want_w, want_h = int(988 * scale), int(600 * scale)
        caption = "LET'S GO!" if button == "go" else "Load Saved Game"
        label = f'{SIZES[scale]}: "{caption}"'
        with self.step(f"{label} opens the game window at {want_w} x {want_h} "
                       "plus the menu bar, and the start window is gone"):
            if button == "go":
                self.x.click(self.start, 277 + 107, 458 + 26)
            else:
                self.x.click(self.start, 277 + 107, 519 + 17)
            self.win, geo = self.game_window(want_w)
            menubar = geo[3] - want_h
            if not 10 <= menubar <= 40:
                raise Failure(f"game window is {geo[2]} x {geo[3]}: {menubar} pixels above "
                              f"the {want_h} pixel board is no menu bar")
            if self.menubar is not None and menubar != self.menubar:
                raise Failure(f"menu bar {menubar} pixels high, {self.menubar} in the last run")
            self.menubar = menubar
            wait_for("the start window to go", lambda: not (self.x.geometry(self.start) or
                                                            (0, 0, 0, 0, False))[4], timeout=5)
        self.board = Board(scale, geo[0] + int(138 * scale), geo[1] + menubar)
        self.board_painted()
        self.x.focus(self.win)
        return geo

    def check_frame(self, shot=None):
        with self.step(f"the border ring is drawn in the frame colour at scale {self.board.scale}"):
            shot = shot or self.board.grab(self.x)
            faults = self.board.border_faults(shot)
            if faults:
                (c, r), (px, py), rgb = faults[0]
                raise Failure(f"{len(faults)} of 60 border cells are off; cell ({c},{r}) at "
                              f"canvas ({px},{py}) shows #{rgb[0]:02X}{rgb[1]:02X}{rgb[2]:02X}")
        return shot

    def read_board(self):
        return self.board.read(self.board.grab(self.x))

    def score_label(self):
        """The score label's white text pixels as bytes (the label may still
        stand at its first place, a few pixels higher, before play starts)."""
        return self.side_label(114, 30)

    def label_shown(self, label, within=FIRST_PAINT_SECONDS):
        """The label's pixels once it shows text, or its empty pixels after
        `within` seconds."""
        def with_text():
            pixels = label()
            return pixels if any(pixels) else None
        try:
            return wait_for("the label's text", with_text, timeout=within, interval=0.02)
        except Failure:
            return label()

    def clock_label(self):
        """The clock label's white text pixels as bytes."""
        return self.side_label(50, 22)

    def side_label(self, top, height):
        s, board = self.board.scale, self.board
        shot = self.x.grab(board.left - trunc(118 * s), board.top + trunc(top * s),
                           trunc(90 * s), trunc(height * s))
        return bytes(1 if min(p) > 200 else 0 for p in shot.region(0, 0, shot.width,
                                                                    shot.height))

    def robots_on_board(self, shot):
        """The robots whose paint the board shows: {k: pixels}."""
        return {k: n for k, rgb in ROBOT_PAINT.items() if (n := shot.count(rgb)) > 20}

    def press(self, key):
        """Taps a move key once; returns the board seen once it changed."""
        board, x = self.board, self.x
        before = board.read(board.grab(x))
        x.hold(key, 0.07)
        after = wait_for("the move on the screen", lambda: (
            lambda s: s if s != before else None)(board.read(board.grab(x))), timeout=1.5)
        time.sleep(HERO_REST_SECONDS)
        return after

    def pause(self):
        x, board = self.x, self.board
        x.hold("space", 0.1)
        wait_for("white text on the top band",
                 lambda: board.white_in_top_band(board.grab(x)) > 50, timeout=5)

    def save(self):
        """S on the pause screen: returns the lines of the fresh "mygame.txt"
        and the message boxes shown."""
        x = self.x
        with contextlib.suppress(FileNotFoundError):
            os.remove(self.game.file("mygame.txt"))
        x.keydown("s")
        try:
            lines = wait_for('"mygame.txt"', lambda: self.game.lines("mygame.txt"), timeout=5)
        finally:
            x.keyup("s")
        if len(lines) != 273:
            raise Failure(f'"mygame.txt" has {len(lines)} lines')
        boxes = wait_for("a message box", lambda: [
            w for w, g in self.titled("Tarrowmead") if w != self.win and g and g[4]])
        return lines, boxes

    def close_message(self, box):
        x = self.x
        x.focus(box)
        x.key("Return")
        wait_for("the message box to close", lambda: not any(
            g and g[4] for g in [x.geometry(box)]), timeout=5)
        x.focus(self.win)

    def resume(self):
        x, board = self.x, self.board
        x.keydown("space")
        try:
            wait_for("the pause message to go",
                     lambda: board.white_in_top_band(board.grab(x)) == 0, timeout=5)
        finally:
            x.keyup("space")

    def load_prepared(self, codes, counters, scale, robots=None):
        """A game run on a saved game written here, loaded with "Load Saved
        Game"; returns the first screenshot of the board, its frame checked."""
        self.write_saved_game(saved_game_lines(codes, counters))
        self.start_game()
        self.choose_settings(scale, robots)
        self.open_game_window(scale, "load")
        return self.check_frame()

    def write_saved_game(self, lines):
        """Writes the lines as "mygame.txt" of the game's data folder."""
        folder = Game(self.binary, self.x, self.home).data_dir
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "mygame.txt"), "w") as f:
            f.write("\n".join(lines) + "\n")

    def high_scores(self):
        """Escape during play opens "High Scores"; returns its window and geometry."""
        x = self.x
        x.focus(self.win)
        x.keydown("Escape")
        try:
            return self.scores_window()
        finally:
            x.keyup("Escape")

    def scores_window(self, timeout=10):
        """The "High Scores" window once it is shown, and its geometry."""
        x = self.x
        ids = x.sync_window("High Scores", timeout=timeout)
        geo = wait_for("the high-score window's geometry", lambda: x.geometry(ids[0]))
        if (geo[2], geo[3] - self.menubar) != SCORES_SIZE and (geo[2], geo[3]) != SCORES_SIZE:
            raise Failure(f"high-score window is {geo[2]} x {geo[3]}")
        return ids[0], geo

    def ok_new_game(self, wid, geo, before):
        """"OK" in the high-score window: returns the score file's lines once
        the window is gone and a new board with the hero on (7,6) is shown."""
        return self.scores_closed(wid, before, lambda: self.scores_button(wid, geo, "OK"))[0]

    def scores_closed(self, wid, before, close):
        """Closes the high-score window by close(): returns the score file's
        lines and the new board once the window is gone and a new board with
        the hero on (7,6) is shown."""
        # The game reads the file only at start-up: gone, it shows when the
        # close has written it.
        with contextlib.suppress(FileNotFoundError):
            os.remove(self.game.file("mydata.txt"))
        close()
        data = wait_for('"mydata.txt"', lambda: self.game.lines("mydata.txt"), timeout=5)
        if len(data) != 50:
            raise Failure(f'"mydata.txt" has {len(data)} lines')
        wait_for("the high-score window to close", lambda: not self.mapped(wid), timeout=5)

        def fresh_board():
            seen = self.read_board()
            return seen if seen != before and seen[(7, 6)] == "figure" else None
        return data, wait_for("a new board with the hero on (7,6)", fresh_board, timeout=5)

    def scores_button(self, wid, geo, which):
        top = geo[3] - SCORES_SIZE[1]  # the menu bar, if the window shows one
        left = {"OK": 118, "Quit": 262}[which]
        self.x.click(wid, left + 40, top + 691 + 12)

    def quit_from_scores(self):
        with self.step('Escape shows "High Scores"; "Quit" ends the game with status 0'):
            wid, geo = self.high_scores()
            self.scores_button(wid, geo, "Quit")
            self.game.ends_with_status_0()


# ----------------------------------------------- saved games to start from

def blank_board():
    codes = [[3] * 15 for _ in range(17)]
    for c in range(1, 16):
        for r in range(1, 14):
            codes[c][r] = 0
    return codes


def one_robot_counters(robot, lives=3, score=0):
    """The counters of a saved level of one robot, on that cell, before it
    starts, with the hero on (7,6) and 100 s on the clock."""
    return dict(monsactive=0, lives=lives, totalmons=1, monsleft=1, currentscore=score,
                timeleft=100, exlives=0, monstrapped=0,
                robots=[robot, (0, 0), (0, 0), (0, 0)], hero=(7, 6))


def boxed_robot_game():
    """Robot 0 on (9,6) walled in by blocks on all eight sides: the hero on
    (7,6) pushes the block on (8,6) onto it, and no cell around it is free."""
    codes = blank_board()
    for c in (8, 9, 10):
        for r in (5, 6, 7):
            codes[c][r] = 1
    codes[9][6] = 4
    codes[7][6] = 2
    return codes, one_robot_counters((9, 6))


def caught_game():
    """The last life, 500 points, and robot 0 right of the hero."""
    codes = blank_board()
    for c, r in [(3, 3), (4, 3), (12, 10), (12, 11), (5, 9)]:
        codes[c][r] = 1
    codes[8][6] = 4
    codes[7][6] = 2
    return codes, one_robot_counters((8, 6), lives=1, score=500)


def prepared_game():
    """A board on which X pushes, Z steps, "/" bounces and "`" steps, with
    the one robot shut in the top-left corner by wall blocks."""
    codes = [[3] * 15 for _ in range(17)]
    for c in range(1, 16):
        for r in range(1, 14):
            codes[c][r] = 1 if (3 * c + 5 * r) % 7 < 3 else 0
    for c, r in [(2, 1), (1, 2), (2, 2), (8, 6)] + [(7, r) for r in range(7, 14)]:
        codes[c][r] = 1
    for c, r in [(9, 6), (7, 5), (7, 4)]:
        codes[c][r] = 0
    codes[1][1] = 4
    codes[7][6] = 2
    return codes, one_robot_counters((1, 1))


# ------------------------------------------------------------ a test's main

def main_in_x(argv, usage, executables, name, home_prefix, play, budget=None,
              keep_var="TM_E2E_KEEP", kept="screenshots in shots/, the game's output in game.log",
              ending=None):
    """The frame of a test script: checks that argv names that many
    executables, starts the X server and a home folder, then calls
    play(x, paths, home), which returns whether the test failed; a Failure
    out of it fails the test too. Keeps the home folder on a failure or when
    keep_var is set. ending follows "passed" or "FAILED" in the last line
    (the time taken by default). Returns the exit status."""
    paths = argv[1:]
    if len(paths) != executables or not all(os.access(p, os.X_OK) for p in paths):
        print(usage)
        return 2
    paths = [os.path.abspath(p) for p in paths]
    if not _datacheck[0]:
        _datacheck[0] = os.path.join(os.path.dirname(paths[0]), "tm_datacheck")
    if budget is not None:
        set_budget(float(os.environ.get("TM_E2E_BUDGET", str(budget))))
    t0 = time.monotonic()
    try:
        ensure_tools()
        server = XServer()
        server.__enter__()
    except Skip as e:
        log(f"SKIPPED: {e}; {name} needs an X server (Xvfb)")
        return SKIP
    except Failure as e:
        log(f"[FAIL] setting up: {e}")
        return 1
    home = new_home(home_prefix)
    log(f"Xvfb on {server.display}, home folder {home}")
    try:
        with X(server.display) as x:
            failed = play(x, paths, home)
    except Failure as e:
        log(f"[FAIL] {e}")
        failed = True
    finally:
        server.__exit__(None, None, None)
    if failed or os.environ.get(keep_var):
        log(f"kept {home} ({kept})")
    else:
        shutil.rmtree(home, ignore_errors=True)
    if ending is None:
        ending = f" in {time.monotonic() - t0:.1f} s"
    log(f"{'FAILED' if failed else 'passed'}{ending}")
    return 1 if failed else 0
