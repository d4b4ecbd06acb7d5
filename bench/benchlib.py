"""Shared pieces of the benchmarks: the baseline program and summaries."""

import statistics
import subprocess
from pathlib import Path

from vek import ROOT, harness

OUT = ROOT / "build" / "bench"


def baseline_window(com=False):
    """Builds the bare Win32 window program, stripped, like VekDll.exe is;
    with `com`, the one that initialises COM first."""
    OUT.mkdir(parents=True, exist_ok=True)
    exe = OUT / ("baseline-window-com.exe" if com else "baseline-window.exe")
    define, library = (["-DWITH_COM"], ["-lole32"]) if com else ([], [])
    subprocess.run(["i686-w64-mingw32-gcc-win32", "-Os", "-s", "-mwindows", "-static", *define,
                    str(ROOT / "bench" / "baseline" / "window.c"), "-o", str(exe), *library],
                   check=True)
    return exe


def large_payload_build(root, megabytes):
    """Builds, under `root`, VekDll.exe carrying seven large payloads: the
    placeholder midas.dll (a valid 32-bit DLL) with `megabytes` MB of data
    appended, embedded through -DVEK_PAYLOAD_DIR. The payloads are made once;
    the build is brought up to date each time. Returns (build folder, payload
    folder)."""
    folder, build = root / "large-set", root / "large-build"
    if not all((folder / name).exists() for name in harness.PAYLOADS):
        folder.mkdir(parents=True, exist_ok=True)
        head = (harness.payload_folder() / "midas.dll").read_bytes()
        for index, name in enumerate(harness.PAYLOADS):
            filler = bytes((index * 37 + i) % 253 for i in range(1 << 16))
            with open(folder / name, "wb") as out:
                out.write(head)
                for _ in range(megabytes * 16):
                    out.write(filler)
    harness.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
                 f"-DCMAKE_TOOLCHAIN_FILE={ROOT}/cmake/mingw-i686.cmake",
                 "-DCMAKE_BUILD_TYPE=MinSizeRel", f"-DVEK_PAYLOAD_DIR={folder}"], timeout=300)
    harness.run(["cmake", "--build", str(build), "--target", "VekDll"], timeout=600)
    return build, folder


def prime_memory(nbytes):
    """Allocates `nbytes`, touches every page and frees them again. Run just
    before a timed side, so that every side meets the same memory: on some
    virtual machines freed memory goes back to the host after a while, and
    the first touch of such a page costs far more than that of a page freed
    a moment ago."""
    block = bytearray(b"\1") * nbytes
    del block


def emulator():
    """The program that runs 32-bit x86 Linux programs (Wine's 32-bit
    loader among them) through binfmt_misc, or None when the kernel runs
    them natively."""
    misc = Path("/proc/sys/fs/binfmt_misc")
    try:
        if misc.joinpath("status").read_text().strip() != "enabled":
            return None
        entries = [e for e in misc.iterdir() if e.name not in ("status", "register")]
    except OSError:
        return None
    for entry in entries:
        fields = dict(line.split(" ", 1) for line in entry.read_text().splitlines() if " " in line)
        magic = fields.get("magic", "")
        # An ELF header of class 32-bit (byte 4 = 1) whose machine (bytes
        # 18-19) is i386 (3).
        if (entry.read_text().startswith("enabled") and fields.get("offset", "0") == "0"
                and magic.startswith("7f454c4601") and magic[36:40] == "0300"):
            return fields.get("interpreter")
    return None


def spread(values, unit="", digits=0):
    """min / median / max, as one string."""
    low, middle, high = min(values), statistics.median(values), max(values)
    return f"{low:.{digits}f}{unit} / {middle:.{digits}f}{unit} / {high:.{digits}f}{unit}"


def verdict(ok):
    return "within" if ok else "OVER"


def header():
    """The table's heading; its first column says how 32-bit code runs here,
    since every time below depends on it."""
    runner = emulator()
    mode = f"emulated by {Path(runner).name}" if runner else "native"
    return (f"| Figure (32-bit code: {mode}) | Measured (min / median / max) | Baseline | Budget "
            "| Verdict |\n|---|---|---|---|---|")


def row(figure, measured, baseline, budget, ok):
    """Prints one row of the benchmarks' table (bench/all.sh prints its header)."""
    print(f"| {figure} | {measured} | {baseline} | {budget} | {verdict(ok)} |", flush=True)
