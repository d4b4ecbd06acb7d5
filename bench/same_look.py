"""Compares how two builds of VekDll.exe look, pixel by pixel: each is started
in turn in the same fresh Wine prefix and Xvfb display, and its window is
captured as it starts (focus on INSTALAR), with the focus on SAIR (ESC), with
both buttons disabled (the faded glyphs), and during a run, with the wait
panel shown. For changes that must not be seen, such as how the pictures
reach the window. Prints the number of differing pixels for each state and
saves the captures in build/bench/look/. Runs in a 64-bit and then a 32-bit
prefix, or in the one named.

The run is held where the program stands with both buttons disabled and the
panel shown and painted, before it writes its first payload (the panel is
shown and the messages processed right after the click): the first opening
of a file in its staging folder Dlls\\ waits until the screen is taken
(vek.harness.openhold; the Wine server, which opens files for its clients,
waits meanwhile, and so does the program). Holding needs root and fanotify.

Usage: tools/python bench/same_look.py BEFORE.exe AFTER.exe [win64|win32]"""

import shutil
import subprocess
import sys
from pathlib import Path

from benchlib import OUT
from vek import harness
from vek.harness import openhold

STATES = ("start", "focus-on-sair", "buttons-disabled", "wait-panel")


def captures(prefix, display, probe, exe, name, title):
    folder = prefix.drive_c / name
    folder.mkdir()
    shutil.copy(exe, folder / "VekDll.exe")
    look = OUT / "look"
    # The pointer out of every window, as it was for the other build.
    display.xdotool("mousemove", "0", "0")
    process = prefix.start(folder / "VekDll.exe")
    shots = []
    try:
        window = probe.ready(title)
        shots.append(display.screenshot(look / f"{prefix.arch}-{name}-start.png", window["frame"]))
        display.key(title, "Tab")
        if not harness.wait_until(lambda: harness.controls(probe.dump(title)["form"])
                                  [harness.BTN_SAIR]["focused"], 120):
            raise SystemExit(f"{name}: Tab did not move the focus")
        shots.append(display.screenshot(look / f"{prefix.arch}-{name}-focus-on-sair.png",
                                        window["frame"]))
        for button in (harness.BTN_OK, harness.BTN_SAIR):
            probe.enable(title, button, False)
        shots.append(display.screenshot(look / f"{prefix.arch}-{name}-buttons-disabled.png",
                                        window["frame"]))
    finally:
        harness.stop(process)
        harness.wait_for_exit(process)
    shots.append(during_run(prefix, display, probe, folder,
                            look / f"{prefix.arch}-{name}-wait-panel.png", title))
    shutil.rmtree(folder, ignore_errors=True)
    return shots


def during_run(prefix, display, probe, folder, path, title):
    """A fresh start of the program in `folder`, clicked on INSTALAR and
    captured while its first opening of a file in Dlls\\ is held."""
    staging = folder / "Dlls"
    shutil.rmtree(staging, ignore_errors=True)
    staging.mkdir()  # as the program makes it at its start, so that it can be watched
    process = prefix.start(folder / "VekDll.exe")
    try:
        window = probe.ready(title)
        hold = openhold.OpenHold(staging, lambda name: True)
        try:
            display.click_control(window, harness.BTN_OK)
            display.xdotool("mousemove", "0", "0")
            if not hold.held.wait(120):
                raise SystemExit("the run never opened a file in its staging folder")
            return display.screenshot(path, window["frame"])
        finally:
            hold.release()
    finally:
        harness.stop(process)
        harness.wait_for_exit(process)


def differing_pixels(a, b):
    result = subprocess.run(["compare", "-metric", "AE", str(a), str(b), "null:"],
                            capture_output=True, text=True)
    return result.stderr.strip()


def compare(arch, before, after):
    display = harness.Display()
    prefix = harness.Prefix(arch, display)
    try:
        probe = harness.Probe(prefix)
        title = harness.TITLES[arch]
        shots = [captures(prefix, display, probe, exe, name, title)
                 for exe, name in ((before, "before"), (after, "after"))]
    finally:
        prefix.remove()
        display.close()
    for state, a, b in zip(STATES, *shots):
        print(f"{arch} {state}: {differing_pixels(a, b)} differing pixels ({a.name}, {b.name})",
              flush=True)


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    if not openhold.available():
        raise SystemExit("holding a file's opening needs root and fanotify: the wait panel "
                         "cannot be captured here")
    for arch in sys.argv[3:] or ("win64", "win32"):
        compare(arch, Path(sys.argv[1]), Path(sys.argv[2]))


if __name__ == "__main__":
    main()
