"""libX11 through ctypes: the top-level windows of a display, close requests,
screen pixels, key events through XTest and the server's auto-repeat,
without a process per question."""
import ctypes
import ctypes.util

from xharness import SCREEN_H, SCREEN_W, Failure, Shot


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
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
# A window can vanish between two requests: its errors are expected. One
# handler for the process, so that libX11 never holds a freed callback.
_IGNORE_ERRORS = ERROR_HANDLER(lambda dpy, event: 0)


def _load():
    try:
        lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    except OSError as e:
        raise Failure(f"libX11 is not installed: {e}")
    vp, ul = ctypes.c_void_p, ctypes.c_ulong
    lib.XOpenDisplay.restype = vp
    lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    lib.XCloseDisplay.argtypes = [vp]
    lib.XDefaultRootWindow.restype = ul
    lib.XDefaultRootWindow.argtypes = [vp]
    lib.XInternAtom.restype = ul
    lib.XInternAtom.argtypes = [vp, ctypes.c_char_p, ctypes.c_int]
    lib.XQueryTree.argtypes = [vp, ul, ctypes.POINTER(ul), ctypes.POINTER(ul),
                               ctypes.POINTER(ctypes.POINTER(ul)), ctypes.POINTER(ctypes.c_uint)]
    lib.XGetWindowAttributes.argtypes = [vp, ul, ctypes.POINTER(XWindowAttributes)]
    lib.XFetchName.argtypes = [vp, ul, ctypes.POINTER(ctypes.c_char_p)]
    lib.XFree.argtypes = [vp]
    lib.XSendEvent.argtypes = [vp, ul, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
    lib.XSync.argtypes = [vp, ctypes.c_int]
    lib.XGetImage.restype = ctypes.POINTER(XImage)
    lib.XGetImage.argtypes = [vp, ul, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                              ctypes.c_uint, ul, ctypes.c_int]
    lib.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
    lib.XSetErrorHandler.argtypes = [ERROR_HANDLER]
    lib.XSetErrorHandler(_IGNORE_ERRORS)
    lib.XStringToKeysym.restype = ul
    lib.XStringToKeysym.argtypes = [ctypes.c_char_p]
    lib.XKeysymToKeycode.restype = ctypes.c_ubyte
    lib.XKeysymToKeycode.argtypes = [vp, ul]
    lib.XAutoRepeatOn.argtypes = [vp]
    lib.XAutoRepeatOff.argtypes = [vp]
    lib.XGetKeyboardControl.argtypes = [vp, ctypes.c_void_p]
    return lib


def _load_xtest():
    try:
        lib = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
    except OSError as e:
        raise Failure(f"libXtst is not installed: {e}")
    lib.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
    return lib


class Xlib:
    """One connection to a display; a context manager that closes it."""

    def __init__(self, display):
        lib = self.lib = _load()
        self.dpy = lib.XOpenDisplay(display.encode())
        if not self.dpy:
            raise Failure(f"cannot open display {display} through libX11")
        self.root = lib.XDefaultRootWindow(self.dpy)
        self.wm_protocols = lib.XInternAtom(self.dpy, b"WM_PROTOCOLS", 0)
        self.wm_delete = lib.XInternAtom(self.dpy, b"WM_DELETE_WINDOW", 0)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.dpy:
            self.lib.XCloseDisplay(self.dpy)
            self.dpy = None
        return False

    def windows(self):
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
            if not lib.XGetWindowAttributes(self.dpy, wid, ctypes.byref(a)) or a.map_state != 2:
                continue
            name = ctypes.c_char_p()
            title = ""
            if lib.XFetchName(self.dpy, wid, ctypes.byref(name)) and name.value is not None:
                title = name.value.decode("latin-1")
                lib.XFree(name)
            out.append((wid, title, a.x, a.y, a.width, a.height, bool(a.override_redirect)))
        return out

    def close_request(self, wid):
        """What a window manager's close box sends: WM_DELETE_WINDOW."""
        ev = XEvent()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.window = wid
        ev.xclient.message_type = self.wm_protocols
        ev.xclient.format = 32
        ev.xclient.l[0] = self.wm_delete
        ev.xclient.l[1] = 0  # CurrentTime
        self.lib.XSendEvent(self.dpy, wid, 0, 0, ctypes.byref(ev))
        self.lib.XSync(self.dpy, 0)

    def keycode(self, name):
        """The keycode of the key that types the keysym name ("z", "space",
        "Escape") on the current layout."""
        sym = self.lib.XStringToKeysym(name.encode())
        code = self.lib.XKeysymToKeycode(self.dpy, sym) if sym else 0
        if not code:
            raise Failure(f"no key types {name!r} on this layout")
        return code

    def key_event(self, key, down):
        """A real press or release through XTest, as xdotool sends it: key
        is a keysym name or a keycode. Returns once the server has it."""
        if not hasattr(self, "xtest"):
            self.xtest = _load_xtest()
        code = key if isinstance(key, int) else self.keycode(key)
        self.xtest.XTestFakeKeyEvent(self.dpy, code, 1 if down else 0, 0)
        self.lib.XSync(self.dpy, 0)

    def auto_repeat(self, on):
        """The server's key auto-repeat on or off (as "xset r on/off")."""
        (self.lib.XAutoRepeatOn if on else self.lib.XAutoRepeatOff)(self.dpy)
        self.lib.XSync(self.dpy, 0)

    def auto_repeat_on(self):
        """Whether the server repeats held keys (XKeyboardState's
        global_auto_repeat)."""
        state = (ctypes.c_char * 256)()  # XKeyboardState, with room to spare
        self.lib.XGetKeyboardControl(self.dpy, state)
        # key_click_percent, bell_percent, bell_pitch, bell_duration (ints),
        # led_mask (unsigned long), then global_auto_repeat (int).
        offset = 4 * 4 + ctypes.sizeof(ctypes.c_ulong)
        return ctypes.c_int.from_buffer(state, offset).value != 0

    def grab_raw(self, left, top, width, height):
        """The rectangle's pixels as the server sends them (BGRX bytes), or
        None: a cheap way to see whether a part of the screen changed."""
        img = self.lib.XGetImage(self.dpy, self.root, left, top, width, height, 0xFFFFFFFF, 2)
        if not img:
            return None
        try:
            im = img.contents
            return ctypes.string_at(im.data, im.bytes_per_line * im.height)
        finally:
            self.lib.XDestroyImage(img)

    def grab(self, left, top, width, height):
        """The screen's pixels in the rectangle (cut to the screen) as a
        Shot, or None."""
        x0, y0 = max(0, left), max(0, top)
        x1, y1 = min(SCREEN_W, left + width), min(SCREEN_H, top + height)
        if x1 <= x0 or y1 <= y0:
            return None
        img = self.lib.XGetImage(self.dpy, self.root, x0, y0, x1 - x0, y1 - y0,
                                 0xFFFFFFFF, 2)  # all planes, ZPixmap
        if not img:
            return None
        try:
            im = img.contents
            w, h = im.width, im.height
            if im.bits_per_pixel != 32 or im.bytes_per_line != 4 * w:
                raise Failure(f"unexpected screen format: {im.bits_per_pixel} bits a pixel")
            raw = ctypes.string_at(im.data, 4 * w * h)
        finally:
            self.lib.XDestroyImage(img)
        rgb = bytearray(3 * w * h)
        rgb[0::3], rgb[1::3], rgb[2::3] = raw[2::4], raw[1::4], raw[0::4]  # BGRX to RGB
        return Shot(w, h, bytes(rgb), x0, y0)
