#!/usr/bin/env python3
"""Compares how two builds of VekDll.exe look, pixel by pixel: each is started
in turn in the same fresh Wine prefix and Xvfb display, and its window is
captured as it starts (focus on INSTALAR), with the focus on SAIR (ESC), and
with both buttons disabled (the faded glyphs). For changes that must not be
seen, such as how the pictures reach the window. Prints the number of
differing pixels for each state and saves the captures in build/bench/look/.

Usage: bench/same_look.py BEFORE.exe AFTER.exe [win64|win32]"""

import shutil
import subprocess
import sys
from pathlib import Path

from benchlib import OUT, winelab

STATES = ("start", "focus-on-sair", "buttons-disabled")


def captures(prefix, display, probe, exe, name, title):
    folder = prefix.drive_c / name
    folder.mkdir()
    shutil.copy(exe, folder / "VekDll.exe")
    process = prefix.start(folder / "VekDll.exe")
    shots = []
    try:
        window = probe.ready(title)
        shots.append(display.screenshot(OUT / "look" / f"{name}-start.png", window["frame"]))
        display.key(title, "Tab")
        if not winelab.wait_until(lambda: winelab.controls(probe.dump(title)["form"])
                                  [winelab.BTN_SAIR]["focused"], 120):
            raise SystemExit(f"{name}: Tab did not move the focus")
        shots.append(display.screenshot(OUT / "look" / f"{name}-focus-on-sair.png", window["frame"]))
        for button in (winelab.BTN_OK, winelab.BTN_SAIR):
            probe.enable(title, button, False)
        shots.append(display.screenshot(OUT / "look" / f"{name}-buttons-disabled.png",
                                        window["frame"]))
    finally:
        winelab.stop(process)
        winelab.wait_for_exit(process)
        shutil.rmtree(folder, ignore_errors=True)
    return shots


def differing_pixels(a, b):
    result = subprocess.run(["compare", "-metric", "AE", str(a), str(b), "null:"],
                            capture_output=True, text=True)
    return result.stderr.strip()


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    arch = sys.argv[3] if len(sys.argv) > 3 else "win64"
    display = winelab.Display()
    prefix = winelab.Prefix(arch, display)
    try:
        probe = winelab.Probe(prefix)
        title = winelab.TITLES[arch]
        before = captures(prefix, display, probe, Path(sys.argv[1]), "before", title)
        after = captures(prefix, display, probe, Path(sys.argv[2]), "after", title)
    finally:
        prefix.remove()
        display.close()
    for state, a, b in zip(STATES, before, after):
        print(f"{arch} {state}: {differing_pixels(a, b)} differing pixels ({a.name}, {b.name})")


if __name__ == "__main__":
    main()
