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


def large_payload_build(root, megabytes):
    """Builds, under `root`, VekDll.exe carrying seven large payloads: the
    placeholder midas.dll (a valid 32-bit DLL) with `megabytes` MB of data
    appended, embedded through -DVEK_PAYLOAD_DIR. The payloads are made once;
    the build is brought up to date each time. Returns (build folder, payload
    folder)."""
    folder, build = root / "large-set", root / "large-build"
    if not all((folder / name).exists() for name in winelab.PAYLOADS):
        folder.mkdir(parents=True, exist_ok=True)
        head = (winelab.payload_folder() / "midas.dll").read_bytes()
        for index, name in enumerate(winelab.PAYLOADS):
            filler = bytes((index * 37 + i) % 253 for i in range(1 << 16))
            with open(folder / name, "wb") as out:
                out.write(head)
                for _ in range(megabytes * 16):
                    out.write(filler)
    winelab.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
                 f"-DCMAKE_TOOLCHAIN_FILE={ROOT}/cmake/mingw-i686.cmake",
                 "-DCMAKE_BUILD_TYPE=MinSizeRel", f"-DVEK_PAYLOAD_DIR={folder}"], timeout=300)
    winelab.run(["cmake", "--build", str(build), "--target", "VekDll"], timeout=600)
    return build, folder


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
