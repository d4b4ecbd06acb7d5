"""Starts VekDll.exe under Wine in the prefix $WINEPREFIX (made on first use).

With a display ($DISPLAY), the program opens its window there and this
command ends with it. Without one, it runs inside an Xvfb display of its
own: the window's screenshot is saved to OUTPUT_PNG, then the program is
closed with Esc.

Usage: winerun.py VEKDLL_EXE OUTPUT_PNG"""

import os
import sys
from pathlib import Path

from vek.harness import TITLES, Display, Prefix, Probe, wait_for_exit


class ThisDisplay:
    """The display that this command was started on."""

    def env(self):
        return dict(os.environ)


def arch_of(prefix):
    """A prefix keeps the bitness it was made with; a new one is 64-bit."""
    windows = prefix / "drive_c" / "windows"
    return "win32" if windows.is_dir() and not (windows / "syswow64").is_dir() else "win64"


def main():
    exe, output = Path(sys.argv[1]).resolve(), Path(sys.argv[2])
    path = Path(os.environ["WINEPREFIX"])
    arch = arch_of(path)
    if os.environ.get("DISPLAY"):
        # The Wine server of a display session is left as it is: other Wine
        # programs of the user may be running in this prefix.
        prefix = Prefix(arch, ThisDisplay(), path=path, restart_server=False)
        process = prefix.start(exe)
        sys.exit(process.wait())

    display = Display()
    prefix = None
    try:
        # The prefix's server is started anew on this display (one started
        # elsewhere, without a display, could open no window here) and ended
        # with it, so that the next run finds none.
        prefix = Prefix(arch, display, path=path)
        probe = Probe(prefix)
        process = prefix.start(exe)
        window = probe.ready(TITLES[arch])
        display.screenshot(output, window["frame"])
        display.key(TITLES[arch], "Escape")
        code = wait_for_exit(process)
        if code != 0:
            sys.exit(f"VekDll.exe ended with {code}")
        print(f"VekDll.exe ran under Wine in Xvfb; screenshot of its window: {output.resolve()}")
    finally:
        if prefix:
            prefix.kill()
        display.close()


if __name__ == "__main__":
    main()
