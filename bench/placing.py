"""The placing's cost with and without its flush (data before name): each
of the seven payloads copied into a landing folder as the shell copies it
and placed under its name by the Win32 layer's own placing (compare, flush,
rename), then by the same steps without the flush, the sides taking turns
(bench/placing/placing.cpp), under Wine in a 64-bit prefix on this
machine's disk: the build folder, not /tmp, which may live in memory. The
figure is the time of one run's seven placings, by round. Not a test: it
prints figures and never fails on a slow machine.

On Windows the same program runs natively:
  vekplacing.exe C:\\SomeFolder ROUNDS C:\\path\\to\\Dlls\\libxml2.dll ...

Usage: tools/python bench/placing.py [ROUNDS]   (default 5)"""

import shutil
import statistics
import sys
from collections import defaultdict

from benchlib import OUT, row, spread
from vek import harness


def file_system(path):
    """The type and source of the file system that holds `path`."""
    found = harness.run(["findmnt", "-n", "-o", "FSTYPE,SOURCE", "--target", str(path)])
    return " on ".join(found.stdout.decode().split())


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    OUT.mkdir(parents=True, exist_ok=True)
    display = harness.Display()
    prefix = harness.Prefix("win64", display, root=OUT)
    try:
        staged = prefix.drive_c / "Dlls"
        staged.mkdir()
        for name in harness.PAYLOADS:
            shutil.copy(harness.payload_folder() / name, staged / name)
        shutil.copy(harness.BUILD / "vekplacing.exe", prefix.drive_c)
        done = prefix.wine(prefix.drive_c / "vekplacing.exe", r"C:\Placed", rounds,
                           *(rf"C:\Dlls\{name}" for name in harness.PAYLOADS), timeout=1800)
        where = file_system(prefix.drive_c)
    finally:
        prefix.remove()
        display.close()
    # Each round places the seven payloads on both sides.
    times = defaultdict(list)
    for line in done.stdout.decode().split("\n"):
        if line.strip():
            side, milliseconds = line.split()
            times[side].append(float(milliseconds))
    per_run = {side: [sum(values[i:i + len(harness.PAYLOADS)])
                      for i in range(0, len(values), len(harness.PAYLOADS))]
               for side, values in times.items()}
    ratio = statistics.median(per_run["flushed"]) / statistics.median(per_run["unflushed"])
    row(f"placing the seven payloads, compare + flush + rename ({rounds} runs, sides in turns, "
        f"Wine, {where})", f"{spread(per_run['flushed'], ' ms', 1)}",
        f"without the flush {spread(per_run['unflushed'], ' ms', 1)}: {ratio:.2f}x by the medians",
        "-", True)


if __name__ == "__main__":
    main()
