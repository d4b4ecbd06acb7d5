"""Holds a program at a defined point of its file work: the opening (or a
reading) of a file in a folder, chosen by the file's name, waits until the
test lets it go.

Linux's fanotify permission events ask a listener before any opening or
reading of a watched file completes, so the test acts while the program is
known to stand exactly there, however fast the machine runs. Under Wine the
opener is the Wine server, which creates files for its clients: the client
that asked waits for its answer meanwhile; a reading is the client's own.
Needs root and a kernel with fanotify permission events; `available()` says
whether this machine has them."""

import ctypes
import os
import select
import stat
import struct
import threading
from pathlib import Path

_FAN_CLOEXEC, _FAN_CLASS_CONTENT = 0x1, 0x4
_FAN_MARK_ADD, _FAN_OPEN_PERM, _FAN_ACCESS_PERM, _FAN_EVENT_ON_CHILD = 0x1, 0x10000, 0x20000, 0x08000000
_FAN_ALLOW = 0x1
_AT_FDCWD = -100
_EVENT = struct.Struct("=IBBHQii")  # event_len, vers, reserved, metadata_len, mask, fd, pid

_libc = ctypes.CDLL(None, use_errno=True)
_libc.fanotify_mark.argtypes = [ctypes.c_int, ctypes.c_uint, ctypes.c_uint64, ctypes.c_int,
                                ctypes.c_char_p]


def _init():
    fd = _libc.fanotify_init(_FAN_CLASS_CONTENT | _FAN_CLOEXEC, os.O_RDONLY)
    if fd < 0:
        raise OSError(ctypes.get_errno(), "fanotify_init: " + os.strerror(ctypes.get_errno()))
    return fd


def available():
    """True when this process may hold openings (root, fanotify permissions)."""
    try:
        os.close(_init())
        return True
    except OSError:
        return False


class OpenHold:
    """Watches the files of `folder`; the first opening of a regular file for which
    `chosen(name)` is true waits until `release()`. Every other opening goes
    on at once. `held` is set once an opening is being held. With
    `reads=True` the same holds for each reading (a read call) instead."""

    def __init__(self, folder, chosen, reads=False):
        self._chosen = chosen
        self._fd = _init()
        event = _FAN_ACCESS_PERM if reads else _FAN_OPEN_PERM
        if _libc.fanotify_mark(self._fd, _FAN_MARK_ADD, event | _FAN_EVENT_ON_CHILD,
                               _AT_FDCWD, os.fsencode(folder)) != 0:
            error = ctypes.get_errno()
            os.close(self._fd)
            raise OSError(error, "fanotify_mark: " + os.strerror(error))
        self.held = threading.Event()
        self.held_name = None
        self._released = threading.Event()
        self._stopped = False
        self._thread = threading.Thread(target=self._serve, daemon=True)
        self._thread.start()

    def _answer(self, event_fd):
        os.write(self._fd, struct.pack("=iI", event_fd, _FAN_ALLOW))
        os.close(event_fd)

    def _serve(self):
        while not self._stopped:
            if not select.select([self._fd], [], [], 0.1)[0]:
                continue
            data = os.read(self._fd, 4096)
            for offset in range(0, len(data), _EVENT.size):
                _, _, _, _, _, event_fd, _ = _EVENT.unpack_from(data, offset)
                if event_fd < 0:
                    continue
                name = Path(os.readlink(f"/proc/self/fd/{event_fd}")).name
                regular = stat.S_ISREG(os.fstat(event_fd).st_mode)
                if regular and not self.held.is_set() and self._chosen(name):
                    self.held_name = name
                    self.held.set()
                    self._released.wait()
                self._answer(event_fd)

    def release(self):
        """Lets the held opening (if any) and every later one go on, and stops watching."""
        self._released.set()
        self._stopped = True
        self._thread.join()
        os.close(self._fd)  # openings still pending are let go with it
