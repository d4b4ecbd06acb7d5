"""Which X requests does a process send? Told by the X server itself, through
its RECORD extension (with Debian's python3-xlib): every request that the
server handles is reported with the connection it came on, in the order the
server handled them. Which process holds a connection the server tells
through its X-Resource extension (the client's process id, from the
socket). Nothing sits between the programs and the server, and nothing
polls."""

import select
import struct
import time

from Xlib.ext import record, res

from xwatch import open_display

_MAP_WINDOW = 8   # the core MapWindow request
# What the log asks to be told: every request of every client, core and
# extensions alike, and nothing else.
_REQUESTS = {"core_requests": (1, 127), "core_replies": (0, 0),
             "ext_requests": (128, 255, 0, 65535), "ext_replies": (0, 0, 0, 0),
             "delivered_events": (0, 0), "device_events": (0, 0), "errors": (0, 0),
             "client_started": False, "client_died": False}


class RequestLog:
    """Every request of every X client from the moment it opens, as
    (client's resource base, major opcode, the request's first 4-byte word
    after its header: the window of a MapWindow), in the server's order."""

    def __init__(self, display_name):
        self.display_name = display_name
        self.requests = []
        self._control = open_display(display_name)
        self._data = open_display(display_name)
        if not self._control.has_extension("RECORD"):
            raise RuntimeError("the X server has no RECORD extension")
        self._context = self._control.record_create_context(0, [record.AllClients], [_REQUESTS])
        self._control.sync()
        # Enabled without waiting for its end: its replies come in on the
        # data connection whenever it is read (wait_map, mark).
        record.EnableContext(callback=self._intercepted, display=self._data.display,
                             opcode=self._data.display.get_extension_major(record.extname),
                             context=self._context, defer=True)
        self._data.flush()

    def _intercepted(self, reply):
        """Splits one reply of the recording into the requests it holds:
        each the request as its client sent it, its length in 4-byte words
        in its header (or, when that is 0, in the word after it: a big
        request)."""
        if reply.category != record.FromClient:
            return
        data, at = reply.data, 0
        # Wine and this machine's server share their byte order.
        while at + 4 <= len(data):
            words = struct.unpack_from("=H", data, at + 2)[0]
            if words == 0 and at + 8 <= len(data):
                words = struct.unpack_from("=I", data, at + 4)[0]
            window = struct.unpack_from("=I", data, at + 4)[0] if words >= 2 else 0
            self.requests.append((reply.id_base, data[at], window))
            at += max(words, 1) * 4

    def _take_in(self):
        """Takes in every report that has come in so far."""
        while True:
            self._data.pending_events()
            if not select.select([self._data.fileno()], [], [], 0)[0]:
                return

    def wait_map(self, window, seconds, start=0):
        """Takes in the server's reports until it has handled a MapWindow of
        `window` (at index `start` of `requests` or later: X ids are used
        again once freed); returns its index, or None after `seconds`. The
        server reports requests in the order it handled them, so every
        request handled before that one is in by then."""
        end = time.monotonic() + seconds
        done = start
        while True:
            self._take_in()
            for index in range(done, len(self.requests)):
                if self.requests[index][1:] == (_MAP_WINDOW, window):
                    return index
            done = len(self.requests)
            left = end - time.monotonic()
            if left <= 0:
                return None
            select.select([self._data.fileno()], [], [], left)

    def mark(self):
        """Where the next request will be."""
        self._take_in()
        return len(self.requests)

    def client_pids(self):
        """{client's resource base: process id} for every client connected
        now, by the X-Resource extension's QueryClientIds (version 1.2), for
        the client None (all of them), asking for the process id. Asked on
        the log's own connection: a connection opened for it would take a
        client id that the next program's connection may get again, its
        requests then reported among that program's."""
        if not self._control.has_extension(res.extname):
            raise RuntimeError("the X server has no X-Resource extension")
        reply = self._control.res_query_client_ids([{"client": 0,
                                                     "mask": res.LocalClientPIDMask}])
        return {entry.spec.client: entry.value[0] for entry in reply.ids
                if entry.spec.mask == res.LocalClientPIDMask and len(entry.value) == 1}

    def close(self):
        self._control.record_disable_context(self._context)
        self._control.record_free_context(self._context)
        self._control.sync()
        self._data.close()
        self._control.close()


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

def request_names(display_name):
    """{major opcode: name} for the core requests and the server's extensions."""
    names = dict(CORE_REQUESTS)
    display = open_display(display_name)
    for name in display.list_extensions():
        found = display.query_extension(name)
        if found:
            names[found.major_opcode] = name
    display.close()
    return names
