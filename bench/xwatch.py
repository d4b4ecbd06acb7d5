"""When does a window of a given title appear on an X display? Told by the X
server's own events (through Debian's python3-xlib), so that nothing polls:
a poller that starts a program every few milliseconds takes processor time
from the very start-up that it times, on a machine of two cores."""

import select
import time

from Xlib import X, Xatom, display, error


def open_display(name):
    """A connection to the X display `name`, whose errors are ignored: a
    window may be gone by the time it is asked about, and that is expected."""
    try:
        connection = display.Display(name)
    except error.DisplayError as problem:
        raise RuntimeError(f"cannot open the X display {name}: {problem}") from None
    connection.set_error_handler(lambda *_: None)
    return connection


class MapWatch:
    """Watches one display from before a program starts until `shown` sees
    its window. Windows that exist when it opens are watched as well."""

    def __init__(self, display_name):
        self._display = open_display(display_name)
        self._root = self._display.screen().root
        self._root.change_attributes(event_mask=X.SubstructureNotifyMask)
        for window in self._tree(self._root):
            self._watch(window)
        self._display.sync()

    def close(self):
        self._display.close()

    def drain(self):
        """Takes in the changes reported so far without looking at them, so
        that none is left to handle while a program starts."""
        while self._display.pending_events():
            self._next()

    def shown(self, title, seconds):
        """The time.monotonic() at which an X window titled `title` is first
        found viewable (mapped, and its ancestors too), or None after
        `seconds`; `window` is then that X window's id. Looks only when the
        server reports a change."""
        wanted = title.encode()
        deadline = time.monotonic() + seconds
        self.window = self._viewable(self._root, wanted)
        if self.window:
            return time.monotonic()
        while True:
            if not self._display.pending_events():
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                select.select([self._display.fileno()], [], [], left)
                continue
            now = time.monotonic()
            kind, window = self._next()
            if kind in (X.MapNotify, X.ReparentNotify, X.PropertyNotify):
                self.window = self._viewable(window, wanted)
                if self.window:
                    return now

    def _next(self):
        """(kind, window) of the next event, a window that appears or moves
        being watched from then on."""
        event = self._display.next_event()
        window = getattr(event, "window", None)
        if event.type in (X.CreateNotify, X.ReparentNotify):
            self._watch(window)
        return event.type, window

    def _watch(self, window):
        window.change_attributes(event_mask=X.StructureNotifyMask | X.SubstructureNotifyMask
                                 | X.PropertyChangeMask)

    def _tree(self, window):
        try:
            children = window.query_tree().children
        except error.XError:
            return []
        return [w for child in children for w in [child, *self._tree(child)]]

    def _viewable(self, window, title):
        """The id of `window` or of a window inside it that is viewable and
        titled `title` (its WM_NAME, as a STRING), or None."""
        for candidate in [window, *self._tree(window)]:
            try:
                name = candidate.get_property(Xatom.WM_NAME, Xatom.STRING, 0, 1 << 16)
                if (name and name.format == 8 and name.value == title
                        and candidate.get_attributes().map_state == X.IsViewable):
                    return candidate.id
            except error.XError:
                continue
        return None
