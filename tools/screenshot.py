#!/usr/bin/env python3
"""Runs VekDll.exe under Wine inside Xvfb, saves a screenshot of its window,
then closes it with Esc.

Usage: screenshot.py VEKDLL_EXE OUTPUT_PNG   (uses $WINEPREFIX, a 64-bit prefix)
"""

import os
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from winelab import Display, Probe, run, wait_for_exit  # noqa: E402

TITLE = "VEK DLLS - 64 BITS"


class ExistingPrefix:
    """The prefix in $WINEPREFIX, as winelab.Prefix offers it."""

    def __init__(self, display):
        self.display = display
        self.path = Path(os.environ["WINEPREFIX"])
        self.drive_c = self.path / "drive_c"

    def env(self):
        return dict(self.display.env(), WINEPREFIX=str(self.path), WINEDEBUG="-all")

    def wine(self, *args, timeout=120, check=True):
        return run(["wine", *args], env=self.env(), timeout=timeout, check=check)


def main():
    exe, output = Path(sys.argv[1]), Path(sys.argv[2])
    display = Display()
    try:
        prefix = ExistingPrefix(display)
        prefix.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/d", "N", "/f")
        probe = Probe(prefix)
        process = subprocess.Popen(["wine", exe.name], cwd=exe.parent, env=prefix.env(),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not probe.wait(TITLE):
            sys.exit(f"no window titled {TITLE} appeared")
        time.sleep(1)
        window = probe.dump(TITLE)
        display.screenshot(output, window["frame"])
        display.key(TITLE, "Escape")
        wait_for_exit(process)
        print(f"VekDll.exe ran under Wine in Xvfb; screenshot of its window: {output.resolve()}")
    finally:
        display.close()


if __name__ == "__main__":
    main()
