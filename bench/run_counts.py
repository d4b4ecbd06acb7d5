"""Wine server requests of the installation run, a count that does not
depend on the machine's speed: every request that VekDll.exe's threads make
from the click on INSTALAR (the probe posts it) to the creation of the
summary box, less the waits, in a 64-bit prefix whose server traces its
requests, set up as bench/counts.py sets it up. Each run starts from a
fresh Dlls\\ and a system folder without our payloads (Wine's own zlib1.dll
stays), so that it extracts seven payloads and copies six.

Given another build of VekDll.exe, the two take turns and a second row
gives its count.

Usage: tools/python bench/run_counts.py [RUNS] [OTHER.exe]   (default 3)"""

import os
import re
import shutil
import statistics
import sys
import tempfile
from collections import Counter
from pathlib import Path

from benchlib import row, spread
from counts import WAITS, Counting
from servertrace import REQUEST, field
from vek import harness

TITLE = harness.TITLES["win64"]
# The probe's BM_CLICK, posted to the button (send_message of type 6, posted).
_CLICK = re.compile(r"[0-9a-f]{4,8}: send_message\( .*type=6, .*msg=000000f5")


def requests_of_run(text, unix_pid):
    """The requests of the process with that Unix pid between the posting of
    BM_CLICK and its creation of a dialog (#32770), by name."""
    threads, counted, clicked = set(), Counter(), False
    for line in text.splitlines():
        if _CLICK.match(line):
            clicked = True
            continue
        request = REQUEST.match(line)
        if not request:
            continue
        tid, name, fields = request.groups()
        if name == "init_first_thread" and field(fields, "unix_pid") == str(unix_pid):
            threads.add(tid)
        if tid not in threads or not clicked:
            continue
        if name == "create_window" and field(fields, "atom") == "8002":  # #32770
            return counted
        counted[name] += 1
    raise SystemExit("no summary box in the trace")


def one_run(counting, probe, exe):
    """The run's requests, less the waits."""
    for payload in harness.payload_folder().glob("*.dll"):
        if payload.name != "zlib1.dll":
            (counting.prefix.system_folder / payload.name).unlink(missing_ok=True)
    shutil.rmtree(counting.folder / "Dlls", ignore_errors=True)
    shutil.copy(exe, counting.folder / "VekDll.exe")
    start = os.fstat(counting.trace.fileno()).st_size
    process = counting.prefix.start(counting.folder / "VekDll.exe")
    try:
        probe.ready(TITLE)
        probe.time_run(TITLE, harness.BTN_OK, harness.PNL_AGUARDE)
    finally:
        harness.stop(process)
        harness.wait_for_exit(process)
    with open(counting.trace.name, errors="replace") as stream:
        stream.seek(start)
        counted = requests_of_run(stream.read(), process.pid)
    return sum(n for name, n in counted.items() if name not in WAITS)


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    builds = [harness.BUILD / "VekDll.exe"] + [Path(a).resolve() for a in sys.argv[2:3]]
    display = harness.Display()
    counts = {build: [] for build in builds}
    with tempfile.TemporaryDirectory(prefix="vek-run-counts-") as folder, \
            open(os.path.join(folder, "server-trace.txt"), "ab") as trace:
        counting = Counting("win64", display, trace)
        try:
            counting.start(builds[0])
            probe = harness.Probe(counting.prefix)
            for i in range(runs):
                for build in builds[i % len(builds):] + builds[:i % len(builds)]:
                    counts[build].append(one_run(counting, probe, build))
        finally:
            counting.close()
            display.close()
    ours = counts[builds[0]]
    if len(builds) == 1:
        row(f"Wine server requests of the installation run, click to summary box ({runs} runs)",
            spread(ours), "-", "-", True)
        return
    theirs = counts[builds[1]]
    row(f"Wine server requests of the installation run, click to summary box ({runs} runs)",
        spread(ours), f"{builds[1].name} taking turns: {spread(theirs)}",
        "fewer than the other's", statistics.median(ours) < statistics.median(theirs))


if __name__ == "__main__":
    main()
