#!/usr/bin/env python3
"""Extraction of a large synthetic payload set: seven DLLs of 32 MB, embedded
through the packager override (-DVEK_PAYLOAD_DIR) in a build of its own,
written to Dlls\\ by VekDll.exe under Wine. Prints its throughput against
`cp` of the same bytes in the same run (budget: at least 0.8x), against a
bare program that only writes the same resources of its own image (the floor
that Wine sets; bench/baseline/resources.c), and the growth
of the process's anonymous memory while it extracts (budget: at most 1 MB;
the payloads are read in place from the mapped executable, never copied).

Usage: bench/extraction.py [RUNS]   (default 5)"""

import json
import shutil
import statistics
import subprocess
import sys
import threading
import time

from benchlib import OUT, ROOT, large_payload_build, row, spread, winelab

TITLE = winelab.TITLES["win64"]
BTN_OK, PNL_AGUARDE = winelab.BTN_OK, winelab.PNL_AGUARDE


def resource_writer(build):
    """The bare program, carrying the same seven resources."""
    exe = OUT / "resource-writer.exe"
    res = OUT / "resource-writer.res"
    subprocess.run(["i686-w64-mingw32-windres", str(build / "payload" / "Payloads.rc"),
                    "-O", "coff", "-o", str(res)], check=True)
    subprocess.run(["i686-w64-mingw32-gcc-win32", "-Os", "-s", "-static",
                    str(ROOT / "bench" / "baseline" / "resources.c"), str(res), "-o", str(exe)],
                   check=True)
    return exe


def one_bare_write(prefix, writer):
    folder = prefix.drive_c / "bare"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    shutil.copy(writer, folder)
    (folder / "out").mkdir()
    subprocess.run(["sync"], check=True)
    done = prefix.wine(str(folder / writer.name), prefix.windows_path(folder / "out"), timeout=300)
    shutil.rmtree(folder)
    return float(done.stdout.decode("ascii"))


def anonymous_kb(pid):
    """(below 4 GiB, whole process): resident anonymous memory in KB."""
    own = whole = 0
    below = False
    try:
        for line in open(f"/proc/{pid}/smaps"):
            if line[0] in "0123456789abcdef" and "-" in line.split()[0]:
                below = int(line.split("-")[0], 16) < 1 << 32
            elif line.startswith("Anonymous:"):
                kb = int(line.split()[1])
                whole += kb
                own += kb if below else 0
    except OSError:
        return None
    return own, whole


def one_extraction(prefix, probe, build, index):
    folder = prefix.drive_c / f"Large {index}"
    folder.mkdir()
    shutil.copy(build / "VekDll.exe", folder)
    process = prefix.start(folder / "VekDll.exe")
    try:
        if not probe.wait(TITLE, 120):
            raise SystemExit("the window did not appear")
        time.sleep(1)
        subprocess.run(["sync"], check=True)
        before = anonymous_kb(process.pid)
        peak = list(before)
        done = threading.Event()

        def sample():
            while not done.is_set():
                value = anonymous_kb(process.pid)
                if value:
                    peak[0] = max(peak[0], value[0])
                    peak[1] = max(peak[1], value[1])
                time.sleep(0.005)
        sampler = threading.Thread(target=sample)
        sampler.start()
        events = json.loads(probe._run("time", TITLE, str(BTN_OK), str(PNL_AGUARDE), "300",
                                       timeout=400).stdout.decode("ascii"))
        done.set()
        sampler.join()
    finally:
        winelab.stop(process)
        prefix.kill()
    ms = next(t for t, text in events if text and text.startswith("1 / 7"))
    shutil.rmtree(folder)
    return ms, (peak[0] - before[0]) / 1024, (peak[1] - before[1]) / 1024


def one_copy(payloads, target):
    shutil.rmtree(target, ignore_errors=True)
    target.mkdir()
    subprocess.run(["sync"], check=True)
    started = time.monotonic()
    subprocess.run(["cp", *[str(payloads / n) for n in winelab.PAYLOADS], str(target)], check=True)
    return (time.monotonic() - started) * 1000


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    build, payloads = large_payload_build(OUT, 32)
    writer = resource_writer(build)
    display = winelab.Display()
    prefix = winelab.Prefix("win64", display)
    try:
        probe = winelab.Probe(prefix)
        one_extraction(prefix, probe, build, "warm-up")
        one_copy(payloads, prefix.drive_c / "cp-target")
        one_bare_write(prefix, writer)
        ours, growth, whole, theirs, bare = [], [], [], [], []
        for i in range(runs):
            ms, own_mb, whole_mb = one_extraction(prefix, probe, build, i)
            ours.append(ms)
            growth.append(own_mb)
            whole.append(whole_mb)
            theirs.append(one_copy(payloads, prefix.drive_c / "cp-target"))
            bare.append(one_bare_write(prefix, writer))
    finally:
        prefix.remove()
        display.close()
    ratio = statistics.median(theirs) / statistics.median(ours)
    row(f"extraction of 7 x 32 MB ({runs} runs)", f"{spread(ours)} ms",
        f"cp {spread(theirs)} ms: {ratio:.2f}x its throughput; a bare program writing the "
        f"same resources {spread(bare)} ms: {statistics.median(bare) / statistics.median(ours):.2f}x",
        ">= 0.80x cp", ratio >= 0.8)
    row("anonymous memory growth of the process during that extraction",
        f"{spread(growth, ' MB', 2)}",
        f"with the emulator's, if any: {spread(whole, ' MB', 2)}", "<= 1 MB", max(growth) <= 1)


if __name__ == "__main__":
    main()
