"""What happens to the names in one folder, as Linux's inotify reports it:
creations, writes, closes after writing, renames in and out, deletions, by
name and in order. Only the folder's own entries: not what happens inside
its subfolders."""

import ctypes
import os
import struct

_IN_MODIFY, _IN_CLOSE_WRITE, _IN_MOVED_FROM, _IN_MOVED_TO = 0x2, 0x8, 0x40, 0x80
_IN_CREATE, _IN_DELETE, _IN_ISDIR = 0x100, 0x200, 0x40000000
_IN_NONBLOCK, _IN_CLOEXEC = 0o4000, 0o2000000
_KINDS = {_IN_CREATE: "create", _IN_MODIFY: "modify", _IN_CLOSE_WRITE: "close_write",
          _IN_MOVED_FROM: "moved_from", _IN_MOVED_TO: "moved_to", _IN_DELETE: "delete"}
_EVENT = struct.Struct("iIII")  # wd, mask, cookie, len

_libc = ctypes.CDLL(None, use_errno=True)


class FolderWatch:
    """Watches `folder` from its creation on; `events()` gives what happened
    since, as (name, kind) pairs, kind one of create, modify, close_write,
    moved_from, moved_to, delete (with "dir " before it for a folder)."""

    def __init__(self, folder):
        self._fd = _libc.inotify_init1(_IN_NONBLOCK | _IN_CLOEXEC)
        if self._fd < 0:
            raise OSError(ctypes.get_errno(), "inotify_init1")
        if _libc.inotify_add_watch(self._fd, os.fsencode(folder), sum(_KINDS)) < 0:
            error = ctypes.get_errno()
            os.close(self._fd)
            raise OSError(error, f"inotify_add_watch {folder}")
        self._seen = []

    def events(self):
        while True:
            try:
                data = os.read(self._fd, 65536)
            except BlockingIOError:
                return list(self._seen)
            offset = 0
            while offset < len(data):
                _, mask, _, length = _EVENT.unpack_from(data, offset)
                name = data[offset + _EVENT.size:offset + _EVENT.size + length].rstrip(b"\0")
                offset += _EVENT.size + length
                for bit, kind in _KINDS.items():
                    if mask & bit:
                        self._seen.append((os.fsdecode(name), ("dir " if mask & _IN_ISDIR else "") + kind))

    def close(self):
        os.close(self._fd)
