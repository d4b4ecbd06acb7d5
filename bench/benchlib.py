"""Shared pieces of the benchmarks: the baseline program and summaries."""

import statistics
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
import winelab  # noqa: E402

OUT = ROOT / "build" / "bench"


def baseline_window():
    """Builds the bare Win32 window program, stripped, like VekDll.exe is."""
    OUT.mkdir(parents=True, exist_ok=True)
    exe = OUT / "baseline-window.exe"
    subprocess.run(["i686-w64-mingw32-gcc-win32", "-Os", "-s", "-mwindows", "-static",
                    str(ROOT / "bench" / "baseline" / "window.c"), "-o", str(exe)], check=True)
    return exe


def spread(values, unit="", digits=0):
    """min / median / max, as one string."""
    low, middle, high = min(values), statistics.median(values), max(values)
    return f"{low:.{digits}f}{unit} / {middle:.{digits}f}{unit} / {high:.{digits}f}{unit}"


def verdict(ok):
    return "within" if ok else "OVER"


HEADER = ("| Figure | Measured (min / median / max) | Baseline | Budget | Verdict |\n"
          "|---|---|---|---|---|")


def row(figure, measured, baseline, budget, ok):
    """Prints one row of the benchmarks' table (bench/all.sh prints its header)."""
    print(f"| {figure} | {measured} | {baseline} | {budget} | {verdict(ok)} |", flush=True)
