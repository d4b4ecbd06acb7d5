"""Which X requests does a process send? Told by the X server itself, through
its RECORD extension (libXtst, by ctypes): every request that the server
handles is reported with the connection it came on, in the order the server
handled them. Which process holds a connection the server tells through its
X-Resource extension (the client's process id, from the socket), asked in the
raw protocol since no library for it is installed. Nothing sits between the
programs and the server, and nothing polls."""

import ctypes
import ctypes.util
import select
import socket
import struct
import time

from xwatch import X11

try:
    # Debian's libxtst6, which xdotool (tools/setup-debian.sh) brings along.
    _TST = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
except OSError:
    raise SystemExit("libXtst is missing (Debian: libxtst6): X requests cannot be counted")

_FROM_CLIENT = 1  # XRecordFromClient: a request, as the client sent it
_ALL_CLIENTS = 3  # XRecordAllClients: those connected now and those to come
_MAP_WINDOW = 8   # the core MapWindow request


class _Range8(ctypes.Structure):
    _fields_ = [("first", ctypes.c_ubyte), ("last", ctypes.c_ubyte)]


class _Range16(ctypes.Structure):
    _fields_ = [("first", ctypes.c_ushort), ("last", ctypes.c_ushort)]


class _ExtRange(ctypes.Structure):
    _fields_ = [("ext_major", _Range8), ("ext_minor", _Range16)]


class _Range(ctypes.Structure):
    _fields_ = [("core_requests", _Range8), ("core_replies", _Range8),
                ("ext_requests", _ExtRange), ("ext_replies", _ExtRange),
                ("delivered_events", _Range8), ("device_events", _Range8),
                ("errors", _Range8), ("client_started", ctypes.c_int),
                ("client_died", ctypes.c_int)]


class _Intercepted(ctypes.Structure):
    _fields_ = [("id_base", ctypes.c_ulong), ("server_time", ctypes.c_ulong),
                ("client_seq", ctypes.c_ulong), ("category", ctypes.c_int),
                ("client_swapped", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("data_len", ctypes.c_ulong)]


_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.POINTER(_Intercepted))
_TST.XRecordAllocRange.restype = ctypes.POINTER(_Range)
_TST.XRecordCreateContext.restype = ctypes.c_ulong
_TST.XRecordCreateContext.argtypes = [ctypes.c_void_p, ctypes.c_int,
                                      ctypes.POINTER(ctypes.c_ulong), ctypes.c_int,
                                      ctypes.POINTER(ctypes.POINTER(_Range)), ctypes.c_int]
_TST.XRecordEnableContextAsync.argtypes = [ctypes.c_void_p, ctypes.c_ulong, _CALLBACK,
                                           ctypes.c_void_p]
_TST.XRecordProcessReplies.argtypes = [ctypes.c_void_p]
_TST.XRecordFreeData.argtypes = [ctypes.POINTER(_Intercepted)]
_TST.XRecordDisableContext.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_TST.XRecordFreeContext.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
X11.XFlush.argtypes = [ctypes.c_void_p]


class RequestLog:
    """Every request of every X client from the moment it opens, as
    (client's resource base, major opcode, the request's first 4-byte word
    after its header: the window of a MapWindow), in the server's order."""

    def __init__(self, display_name):
        self.display_name = display_name
        self.requests = []
        self._control = X11.XOpenDisplay(display_name.encode())
        self._data = X11.XOpenDisplay(display_name.encode())
        if not self._control or not self._data:
            raise RuntimeError(f"cannot open the X display {display_name}")
        record_range = _TST.XRecordAllocRange()
        record_range.contents.core_requests = _Range8(1, 127)
        record_range.contents.ext_requests = _ExtRange(_Range8(128, 255), _Range16(0, 65535))
        clients = ctypes.c_ulong(_ALL_CLIENTS)
        self._context = _TST.XRecordCreateContext(self._control, 0, ctypes.byref(clients), 1,
                                                  ctypes.byref(record_range), 1)
        X11.XFree(record_range)
        if not self._context:
            raise RuntimeError("the X server has no RECORD extension")
        X11.XSync(self._control, 0)
        self._callback = _CALLBACK(self._intercepted)  # kept alive as long as the log
        if not _TST.XRecordEnableContextAsync(self._data, self._context, self._callback, None):
            raise RuntimeError("cannot start recording X requests")
        X11.XFlush(self._data)

    def _intercepted(self, _closure, data):
        item = data.contents
        if item.category == _FROM_CLIENT and item.data_len:
            words = ctypes.string_at(item.data, min(item.data_len * 4, 8))
            # Wine and this machine's server share their byte order.
            window = struct.unpack_from("=I", words, 4)[0] if len(words) >= 8 else 0
            self.requests.append((item.id_base, words[0], window))
        _TST.XRecordFreeData(data)

    def wait_map(self, window, seconds, start=0):
        """Takes in the server's reports until it has handled a MapWindow of
        `window` (at index `start` of `requests` or later: X ids are used
        again once freed); returns its index, or None after `seconds`. The
        server reports requests in the order it handled them, so every
        request handled before that one is in by then."""
        end = time.monotonic() + seconds
        done = start
        while True:
            _TST.XRecordProcessReplies(self._data)
            for index in range(done, len(self.requests)):
                if self.requests[index][1:] == (_MAP_WINDOW, window):
                    return index
            done = len(self.requests)
            left = end - time.monotonic()
            if left <= 0:
                return None
            select.select([X11.XConnectionNumber(self._data)], [], [], left)

    def mark(self):
        """Where the next request will be."""
        _TST.XRecordProcessReplies(self._data)
        return len(self.requests)

    def close(self):
        _TST.XRecordDisableContext(self._control, self._context)
        _TST.XRecordFreeContext(self._control, self._context)
        X11.XSync(self._control, 0)
        X11.XCloseDisplay(self._data)
        X11.XCloseDisplay(self._control)


# The core protocol's requests, by opcode (1 to 119, and 127).
CORE_REQUESTS = dict(enumerate("""- CreateWindow ChangeWindowAttributes GetWindowAttributes
    DestroyWindow DestroySubwindows ChangeSaveSet ReparentWindow MapWindow MapSubwindows UnmapWindow
    UnmapSubwindows ConfigureWindow CirculateWindow GetGeometry QueryTree InternAtom GetAtomName
    ChangeProperty DeleteProperty GetProperty ListProperties SetSelectionOwner GetSelectionOwner
    ConvertSelection SendEvent GrabPointer UngrabPointer GrabButton UngrabButton
    ChangeActivePointerGrab GrabKeyboard UngrabKeyboard GrabKey UngrabKey AllowEvents GrabServer
    UngrabServer QueryPointer GetMotionEvents TranslateCoordinates WarpPointer SetInputFocus
    GetInputFocus QueryKeymap OpenFont CloseFont QueryFont QueryTextExtents ListFonts
    ListFontsWithInfo SetFontPath GetFontPath CreatePixmap FreePixmap CreateGC ChangeGC CopyGC
    SetDashes SetClipRectangles FreeGC ClearArea CopyArea CopyPlane PolyPoint PolyLine PolySegment
    PolyRectangle PolyArc FillPoly PolyFillRectangle PolyFillArc PutImage GetImage PolyText8
    PolyText16 ImageText8 ImageText16 CreateColormap FreeColormap CopyColormapAndFree
    InstallColormap UninstallColormap ListInstalledColormaps AllocColor AllocNamedColor
    AllocColorCells AllocColorPlanes FreeColors StoreColors StoreNamedColor QueryColors LookupColor
    CreateCursor CreateGlyphCursor FreeCursor RecolorCursor QueryBestSize QueryExtension
    ListExtensions ChangeKeyboardMapping GetKeyboardMapping ChangeKeyboardControl
    GetKeyboardControl Bell ChangePointerControl GetPointerControl SetScreenSaver GetScreenSaver
    ChangeHosts ListHosts SetAccessControl SetCloseDownMode KillClient RotateProperties
    ForceScreenSaver SetPointerMapping GetPointerMapping SetModifierMapping
    GetModifierMapping""".split()))
CORE_REQUESTS[127] = "NoOperation"

X11.XListExtensions.restype = ctypes.POINTER(ctypes.c_char_p)
X11.XListExtensions.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]
X11.XFreeExtensionList.argtypes = [ctypes.POINTER(ctypes.c_char_p)]
X11.XQueryExtension.argtypes = [ctypes.c_void_p, ctypes.c_char_p] + [ctypes.POINTER(ctypes.c_int)] * 3


def request_names(display_name):
    """{major opcode: name} for the core requests and the server's extensions."""
    names = dict(CORE_REQUESTS)
    display = X11.XOpenDisplay(display_name.encode())
    count = ctypes.c_int()
    extensions = X11.XListExtensions(display, ctypes.byref(count))
    for index in range(count.value):
        major, event, error = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
        if X11.XQueryExtension(display, extensions[index], ctypes.byref(major), ctypes.byref(event),
                              ctypes.byref(error)):
            names[major.value] = extensions[index].decode()
    X11.XFreeExtensionList(extensions)
    X11.XCloseDisplay(display)
    return names


def client_pids(display_name):
    """{client's resource base: process id} for every client connected now,
    by the X-Resource extension's QueryClientIds (version 1.2)."""
    number = display_name.split(":")[1].split(".")[0]
    with socket.socket(socket.AF_UNIX) as connection:
        connection.connect(f"/tmp/.X11-unix/X{number}")
        # Connection set-up, little-endian, no authorisation (Xvfb asks none).
        connection.sendall(struct.pack("<cxHHHHxx", b"l", 11, 0, 0, 0))
        head = _read(connection, 8)
        if head[0] != 1:
            raise RuntimeError("the X server refused the connection")
        _read(connection, struct.unpack_from("<H", head, 6)[0] * 4)
        name = b"X-Resource"
        connection.sendall(struct.pack("<BxHHxx", 98, 2 + (len(name) + 3) // 4, len(name))
                           + name + b"\0" * (-len(name) % 4))
        reply = _read(connection, 32)
        if reply[0] != 1 or not reply[8]:
            raise RuntimeError("the X server has no X-Resource extension")
        # QueryClientIds (minor 4) for the client None (all of them), asking
        # for the process id (mask 2).
        connection.sendall(struct.pack("<BBHIII", reply[9], 4, 4, 1, 0, 2))
        head = _read(connection, 32)
        if head[0] != 1:
            raise RuntimeError("the X server refused QueryClientIds")
        body = _read(connection, struct.unpack_from("<I", head, 4)[0] * 4)
    pids, offset = {}, 0
    for _ in range(struct.unpack_from("<I", head, 8)[0]):
        client, mask, length = struct.unpack_from("<III", body, offset)
        if mask == 2 and length == 4:
            pids[client] = struct.unpack_from("<I", body, offset + 12)[0]
        offset += 12 + length
    return pids


def _read(connection, size):
    data = b""
    while len(data) < size:
        chunk = connection.recv(size - len(data))
        if not chunk:
            raise RuntimeError("the X server closed the connection")
        data += chunk
    return data
