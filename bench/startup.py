#!/usr/bin/env python3
"""Start-up time: from starting the process to its main window on the screen,
VekDll.exe against the bare Win32 window program, alternately, in one fresh
64-bit Wine prefix in Xvfb. The window counts as shown when the X server
has it mapped under its title. Budget: 1.10x the baseline.

Usage: bench/startup.py [RUNS]   (default 7; build first with the win32 preset)"""

import shutil
import statistics
import subprocess
import sys
import time

from benchlib import baseline_window, row, spread, winelab

BUDGET = 1.10


def time_to_window(prefix, display, args, cwd, title):
    started = time.monotonic()
    process = subprocess.Popen(["wine", *args], cwd=cwd, env=prefix.env(),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while time.monotonic() - started < 60:
            if display.xdotool("search", "--onlyvisible", "--name", f"^{title}$"):
                return (time.monotonic() - started) * 1000
            time.sleep(0.005)
        raise SystemExit(f"{title}: no window within 60 s")
    finally:
        process.kill()
        process.wait()
        time.sleep(0.5)  # let the wineserver notice the end of the process


def measure(runs):
    display = winelab.Display()
    prefix = winelab.Prefix("win64", display)
    try:
        folder = prefix.drive_c / "Bench"
        folder.mkdir()
        shutil.copy(winelab.BUILD / "VekDll.exe", folder)
        shutil.copy(baseline_window(), folder)
        # The Wine services stay up, as they are on a running desktop.
        keeper = subprocess.Popen(["wineserver", "-p"], env=prefix.env())
        keeper.wait()
        ours, bare = [], []
        for _ in range(runs):
            shutil.rmtree(folder / "Dlls", ignore_errors=True)
            ours.append(time_to_window(prefix, display, ["VekDll.exe"], folder, "VEK DLLS - 64 BITS"))
            bare.append(time_to_window(prefix, display, ["baseline-window.exe", "Baseline"], folder,
                                       "Baseline"))
        return ours, bare
    finally:
        prefix.remove()
        display.close()


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 7
    ours, bare = measure(runs)
    ratio = statistics.median(ours) / statistics.median(bare)
    row(f"start of the process to the main window shown ({runs} runs)", f"{spread(ours)} ms",
        f"bare window program {spread(bare)} ms: {ratio:.2f}x", f"<= {BUDGET:.2f}x",
        ratio <= BUDGET)


if __name__ == "__main__":
    main()
