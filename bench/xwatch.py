"""When does a window of a given title appear on an X display? Told by the X
server's own events (through libX11), so that nothing polls: a poller that
starts a program every few milliseconds takes processor time from the very
start-up that it times, on a machine of two cores."""

import ctypes
import ctypes.util
import select
import time

# libX11, opened once for this module and xrecord, each typing the functions it calls.
X11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
X11.XOpenDisplay.restype = ctypes.c_void_p
X11.XOpenDisplay.argtypes = [ctypes.c_char_p]
X11.XDefaultRootWindow.restype = ctypes.c_ulong
X11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
X11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
X11.XConnectionNumber.argtypes = [ctypes.c_void_p]
X11.XPending.argtypes = [ctypes.c_void_p]
X11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
X11.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
X11.XFree.argtypes = [ctypes.c_void_p]
X11.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                          ctypes.POINTER(ctypes.c_ulong),
                          ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                          ctypes.POINTER(ctypes.c_uint)]
X11.XCloseDisplay.argtypes = [ctypes.c_void_p]
X11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]

# A window may be gone by the time it is asked about: that error is expected,
# and Xlib's default handler would end the process.
_IGNORE_ERRORS = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
X11.XSetErrorHandler(_IGNORE_ERRORS)

_STRUCTURE, _SUBSTRUCTURE, _PROPERTY = 1 << 17, 1 << 19, 1 << 22
_CREATE, _MAP, _REPARENT, _PROPERTY_NOTIFY = 16, 19, 21, 28
_IS_VIEWABLE = 2


class _Attributes(ctypes.Structure):
    # XWindowAttributes up to map_state; the rest is room for the whole.
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong), ("c_class", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("rest", ctypes.c_char * 64)]


X11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(_Attributes)]


class MapWatch:
    """Watches one display from before a program starts until `shown` sees
    its window. Windows that exist when it opens are watched as well."""

    def __init__(self, display_name):
        self._display = X11.XOpenDisplay(display_name.encode())
        if not self._display:
            raise RuntimeError(f"cannot open the X display {display_name}")
        root = X11.XDefaultRootWindow(self._display)
        X11.XSelectInput(self._display, root, _SUBSTRUCTURE)
        for window in self._tree(root):
            self._watch(window)
        X11.XSync(self._display, 0)

    def close(self):
        X11.XCloseDisplay(self._display)

    def drain(self):
        """Takes in the changes reported so far without looking at them, so
        that none is left to handle while a program starts."""
        while X11.XPending(self._display):
            self._next()

    def shown(self, title, seconds):
        """The time.monotonic() at which an X window titled `title` is first
        found viewable (mapped, and its ancestors too), or None after
        `seconds`; `window` is then that X window. Looks only when the server
        reports a change."""
        wanted = title.encode()
        deadline = time.monotonic() + seconds
        self.window = self._viewable(X11.XDefaultRootWindow(self._display), wanted)
        if self.window:
            return time.monotonic()
        while True:
            if not X11.XPending(self._display):
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                select.select([X11.XConnectionNumber(self._display)], [], [], left)
                continue
            now = time.monotonic()
            kind, window = self._next()
            if kind in (_MAP, _REPARENT, _PROPERTY_NOTIFY):
                self.window = self._viewable(window, wanted)
                if self.window:
                    return now

    def _next(self):
        """(kind, window) of the next event, a window that appears or moves
        being watched from then on."""
        event = ctypes.create_string_buffer(192)
        X11.XNextEvent(self._display, event)
        kind = ctypes.c_int.from_buffer(event).value
        # XCreateWindowEvent, XMapEvent and XReparentEvent hold the window
        # after the display pointer and one more window; XPropertyEvent right
        # after the pointer.
        window = ctypes.c_ulong.from_buffer(event, 32 if kind == _PROPERTY_NOTIFY else 40).value
        if kind in (_CREATE, _REPARENT):
            self._watch(window)
        return kind, window

    def _watch(self, window):
        X11.XSelectInput(self._display, window, _STRUCTURE | _SUBSTRUCTURE | _PROPERTY)

    def _tree(self, window):
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not X11.XQueryTree(self._display, window, ctypes.byref(root), ctypes.byref(parent),
                             ctypes.byref(children), ctypes.byref(count)):
            return []
        found = [children[i] for i in range(count.value)]
        if children:
            X11.XFree(children)
        return [w for child in found for w in [child, *self._tree(child)]]

    def _viewable(self, window, title):
        """`window` or a window inside it that is viewable and titled
        `title`, or None."""
        for candidate in [window, *self._tree(window)]:
            name = ctypes.c_char_p()
            if not X11.XFetchName(self._display, candidate, ctypes.byref(name)):
                continue
            matches = name.value == title
            X11.XFree(ctypes.cast(name, ctypes.c_void_p))
            attributes = _Attributes()
            if (matches and X11.XGetWindowAttributes(self._display, candidate, ctypes.byref(attributes))
                    and attributes.map_state == _IS_VIEWABLE):
                return candidate
        return None
