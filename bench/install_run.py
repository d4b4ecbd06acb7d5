"""Times the installation run of the built VekDll.exe under Wine (a fresh
64-bit prefix in Xvfb) and prints:

  - run overhead: click on INSTALAR to the summary box, minus the 7 x 1000 ms
    of pauses that the run takes on purpose (six payloads copied, Wine's own
    zlib1.dll skipped);
  - extraction: click to the first progress text (buttons, panel, and the
    seven payloads written to Dlls\\).

Each figure is the min / median / max of several runs, each from a fresh
folder (so the extraction always writes all seven), in one prefix whose
Wine services stay up between the runs, as on a running desktop. Times are
read inside Wine by the probe, which clicks the button itself and polls
every 5 ms.
Not a test: it prints figures and never fails on a slow machine.

Given another build of VekDll.exe (an earlier one, say), the two take turns
in the same prefix and a second row gives its figures and the ratio.

Usage: tools/python bench/install_run.py [RUNS] [OTHER.exe]
(default 5; build first with the win32 preset)
"""

import statistics
import shutil
import subprocess
import sys
from pathlib import Path

from benchlib import row, spread
from vek.harness import (BTN_OK, BUILD, PNL_AGUARDE, TITLES, Display, Prefix, Probe, payload_folder, stop,
                     wait_for_exit)

TITLE = TITLES["win64"]
PAUSES_MS = 7 * 1000
BUDGET_MS = 50


def one_run(prefix, probe, index, exe=BUILD / "VekDll.exe"):
    folder = prefix.drive_c / f"Bench {index}"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    shutil.copy(exe, folder / "VekDll.exe")
    # Every run copies the six payloads that Wine lacks (its own zlib1.dll stays).
    for payload in payload_folder().glob("*.dll"):
        if payload.name != "zlib1.dll":
            (prefix.system_folder / payload.name).unlink(missing_ok=True)
    process = prefix.start(folder / "VekDll.exe")
    try:
        if not probe.wait(TITLE):
            raise SystemExit("the window did not appear")
        events = probe.time_run(TITLE, BTN_OK, PNL_AGUARDE)
    finally:
        stop(process)
        wait_for_exit(process)
    first_progress = next(ms for ms, text in events if text and text.startswith("1 / 7"))
    box = events[-1][0]
    return box - PAUSES_MS, first_progress


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    other = Path(sys.argv[2]).resolve() if len(sys.argv) > 2 else None
    display = Display()
    prefix = Prefix("win64", display)
    results, others = [], []
    try:
        subprocess.Popen(["wineserver", "-p"], env=prefix.env()).wait()
        probe = Probe(prefix)
        for i in range(runs):
            # In turns, the other build first every second time.
            turns = [(results, BUILD / "VekDll.exe")] + ([(others, other)] if other else [])
            for into, exe in turns[::-1] if i % 2 else turns:
                into.append(one_run(prefix, probe, i, exe))
    finally:
        prefix.remove()
        display.close()
    overheads = [r[0] for r in results]
    row(f"installation run minus 7 x 1000 ms of pauses ({runs} runs)",
        f"{spread(overheads)} ms, of which the extraction "
        f"{spread([r[1] for r in results])} ms", "-", f"<= {BUDGET_MS} ms",
        statistics.median(overheads) <= BUDGET_MS)
    if other:
        theirs = [r[0] for r in others]
        ratio = statistics.median(overheads) / statistics.median(theirs)
        row(f"the same, {other.name} taking turns with it", f"{spread(theirs)} ms, of which the "
            f"extraction {spread([r[1] for r in others])} ms", f"this build: {ratio:.2f}x its "
            "overhead", "lower than the other's", ratio < 1)


if __name__ == "__main__":
    main()
