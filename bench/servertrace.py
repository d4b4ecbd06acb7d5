"""What one Wine process asked of the Wine server up to the X map of one of
its windows, read from the server's request trace (a server started with
-d1 prints each request as "TID: name( fields )" and its reply as
"TID: name() = STATUS { fields }", TID being the calling thread's id).

The end mark is the process's own: its X11 driver, traced (WINEDEBUG=
+x11drv), prints "TID:trace:x11drv:map_window win HWND/XID" right before it
sends the X MapWindow. The process writes it into the same file as the
server (both opened for appending), and a thread writes it only after the
server has traced and answered that thread's previous request: in the file,
every request that the thread made before the map stands before the mark.
The mark is searched anywhere in a line, since the server writes a line in
several pieces and another process's line may hold it."""

import re
from collections import Counter

# A request: the thread id, the request's name and its fields.
REQUEST = re.compile(r"([0-9a-f]{4,8}): (\w+)\( (.*)")
_REPLY = re.compile(r"([0-9a-f]{4,8}): (\w+)\(\) = \w+ \{ (.*)")
_MAP = re.compile(r"([0-9a-f]{4,8}):trace:x11drv:map_window win (0x[0-9a-f]+)/([0-9a-f]+)")


def field(fields, name):
    """The value of `name` among the `fields` of a request or a reply, or None."""
    found = re.search(rf"\b{name}=(L\"[^\"]*\"|[^,\s]+)", fields)
    return found.group(1) if found else None


class ProcessTrace:
    """The requests of the process whose first thread connected with Unix
    process id `unix_pid`, up to the mark of the map of X window `xid`:
    `requests` (a Counter of request names), `windows` (one (kind, class)
    per create_window, kind being top-level, child or message-only) and
    `threads` (the thread ids). `complete` says whether the mark was found."""

    def __init__(self, text, unix_pid, xid):
        self.requests, self.windows, self.threads = Counter(), [], set()
        self.complete = False
        desktop, message_root, asked = None, None, {}
        for line in text.splitlines():
            mark = _MAP.search(line)
            if mark and mark.group(1) in self.threads and int(mark.group(3), 16) == xid:
                self.complete = True
                return
            request = REQUEST.match(line)
            if request:
                tid, name, fields = request.groups()
                if name == "init_first_thread" and field(fields, "unix_pid") == str(unix_pid):
                    self.threads.add(tid)
                if tid in self.threads:
                    self.requests[name] += 1
                    asked[tid] = (name, fields)
                continue
            reply = _REPLY.match(line)
            if not reply or reply.group(1) not in self.threads:
                continue
            tid, name, fields = reply.groups()
            asked_name, asked_fields = asked.get(tid, (None, ""))
            if name == "get_desktop_window":
                desktop, message_root = field(fields, "top_window"), field(fields, "msg_window")
            elif name == "new_thread" and field(asked_fields, "process") == "ffffffff":
                # A thread of this process (the handle of the current process).
                self.threads.add(field(fields, "tid"))
            elif name == "create_window" and asked_name == "create_window":
                parent = field(asked_fields, "parent")
                kind = ("top-level" if parent == desktop else
                        "message-only" if parent == message_root else "child")
                self.windows.append((kind, (field(asked_fields, "class") or "")[2:-1]
                                     or "atom " + field(asked_fields, "atom")))
