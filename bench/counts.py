"""Start-up counts that do not depend on the machine's speed: what VekDll.exe,
the bare window program and the same program initialising COM (the floor:
the installer must) do from the start of their process up to the map of
their main window on the X server:

  - windows: every window that the process's threads create (create_window
    requests), top-level, child and message-only alike. Wine's own hidden
    windows of the process are counted too, in every program alike: the
    "Default IME" window that Wine gives a thread with its first top-level
    window, and COM's message-only OleMainThreadWndClass window. The desktop
    and its helpers belong to other processes and are never counted;
  - Wine server requests: every request that the process's threads make,
    from the first thread's first (init_first_thread) up to the moment
    Wine's X11 driver begins to map the main window (its traced map_window,
    just before it sends MapWindow; see bench/servertrace.py), less the
    waits (select, set_queue_mask);
  - X requests: every request that the X server handles on the process's
    connections, up to and including the MapWindow of the main window's X
    window (told by the X server's RECORD extension; bench/xrecord.py),
    with Xlib synchronous (see CHANNELS) and less the round trips that this
    adds (GetInputFocus).

The main window is the X window that becomes viewable under the program's
title (VEK DLLS - 64 BITS for VekDll.exe in a 64-bit prefix, VEK DLLS - 32
BITS in a 32-bit one; the bare programs' title is their argument), the same
one that bench/startup.py times.

All runs share one fresh prefix, one Wine server started for the
measurement with its request trace on (-d1, written to one file with the
traced programs' own output), and one display with its window manager; as
in bench/startup.py, a bare window program keeps the desktop up throughout,
so no program pays for starting it. A first round, not counted, lets each
program meet the prefix as every later run does (COM's first use there
differs); Dlls\\ is removed before each installer run. Then the programs
take turns. Each count is printed as min / median / max over the runs: a
count that does not move shows one number three times.

Budget: the installer's counts beyond the COM program's at most half of
those of the code before the windows were cut down (BEFORE below, measured
by this command on Wine 8.0; the same in both kinds of prefix).

Usage: tools/python bench/counts.py [RUNS] [win64|win32] [VekDll.exe] [--detail]
(default: 3 runs, win64, this build's VekDll.exe). --detail then prints, kind by kind, where the installer's median differs
from the COM program's (waits and round trips included)."""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
from collections import Counter

import xrecord
from benchlib import baseline_window, row, spread
from vek import harness
from servertrace import ProcessTrace
from xwatch import MapWatch

# The installer's counts beyond the COM program's before the window work
# (commit 3107d3d; the same in every run, in 64-bit and 32-bit prefixes).
BEFORE = {"windows": 9, "server": 265, "x": 55}
# The X11 driver's trace marks the map (servertrace.py); synchronous makes
# Xlib send each request at once and wait for the server to have handled it,
# so that the server handles the requests of the process's two connections in
# the order the program made them, and every event that a request causes is
# back before the next: without it the same program sent 250 to 276 requests
# before its map, from run to run, as the events and the two connections'
# buffers fell. Neither changes the Wine server requests (checked up to the
# show of the main window: the same count with WINEDEBUG=-all).
CHANNELS = "-all,trace+x11drv,+synchronous"
# Not counted, as their number tells how soon other processes answer (a
# message sent to the desktop's thread is waited for once more when its reply
# comes late): the Wine server's waits, and the round trip (GetInputFocus)
# that synchronous Xlib adds after each call.
WAITS = ("select", "set_queue_mask")
ROUND_TRIP = 43
NAMES = {"windows": "windows created", "server": "Wine server requests (waits left out)",
         "x": "X requests (Xlib synchronous, its round trips left out)"}


class Counting:
    def __init__(self, arch, display, trace):
        self.display, self.trace = display, trace
        self.desktop = None
        self.watch = MapWatch(display.name)
        self.log = xrecord.RequestLog(display.name)
        self.prefix = harness.Prefix(arch, display)

    def start(self, exe):
        """The programs in the prefix, its traced server and the desktop."""
        self.folder = self.prefix.drive_c / "Bench"
        self.folder.mkdir()
        shutil.copy(exe, self.folder / "VekDll.exe")
        shutil.copy(baseline_window(), self.folder)
        shutil.copy(baseline_window(com=True), self.folder)
        # The prefix's server, persistent and traced, its trace (standard
        # error) in the file; `wineserver` returns once it takes clients.
        subprocess.run(["wineserver", "-p", "-d1"], env=self.prefix.env(), stderr=self.trace,
                       check=True)
        self.desktop = subprocess.Popen(["wine", "baseline-window.exe", "Desktop"],
                                        cwd=self.folder, env=self.prefix.env(),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self.watch.shown("Desktop", 120) is None:
            raise SystemExit("the program that keeps the desktop did not start")

    def close(self):
        if self.desktop:
            self.desktop.kill()
            self.desktop.wait()
        self.prefix.remove()
        self.log.close()
        self.watch.close()

    def run(self, args, title):
        """(windows, server requests, X requests) of one start of `args`,
        each a Counter by kind."""
        shutil.rmtree(self.folder / "Dlls", ignore_errors=True)
        start = os.fstat(self.trace.fileno()).st_size
        self.watch.drain()
        first = self.log.mark()
        process = subprocess.Popen(["wine", *args], cwd=self.folder,
                                   env=self.prefix.env(WINEDEBUG=CHANNELS),
                                   stdout=subprocess.DEVNULL, stderr=self.trace)
        try:
            if self.watch.shown(title, 60) is None:
                raise SystemExit(f"{title}: no window within 60 s")
            window = self.watch.window
            last = self.log.wait_map(window, 60, first)
            if last is None:
                raise SystemExit(f"{title}: the X server never reported its MapWindow")
            # Asked while the process still holds its connections.
            pids = self.log.client_pids()
        finally:
            process.kill()
            process.wait()
        connections = {client for client, pid in pids.items() if pid == process.pid}
        unknown = {r[0] for r in self.log.requests[first:last]} - set(pids)
        if unknown:
            raise SystemExit(f"{title}: X connections closed before the map: {len(unknown)}")
        x = Counter(opcode for client, opcode, _ in self.log.requests[first:last + 1]
                    if client in connections)
        with open(self.trace.name, errors="replace") as stream:
            stream.seek(start)
            traced = ProcessTrace(stream.read(), process.pid, window)
        if not traced.complete:
            raise SystemExit(f"{title}: no trace of its process up to the map")
        return Counter(f"{kind} {cls}" for kind, cls in traced.windows), traced.requests, x


def measure(runs, arch, exe):
    programs = {
        "installer": (["VekDll.exe"], harness.TITLES[arch]),
        "bare": (["baseline-window.exe", "Baseline"], "Baseline"),
        "com": (["baseline-window-com.exe", "BaselineCOM"], "BaselineCOM"),
    }
    display = harness.Display()
    # Opened for appending (O_APPEND): the server and the traced programs
    # write into it at once, each write landing whole at its end.
    with tempfile.TemporaryDirectory(prefix="vek-counts-") as folder, \
            open(os.path.join(folder, "server-trace.txt"), "ab") as trace:
        counting = Counting(arch, display, trace)
        try:
            counting.start(exe)
            names = list(programs)
            results = {name: [] for name in names}
            for name in names:  # the uncounted first round
                counting.run(*programs[name])
            for i in range(runs):
                for name in names[i % 3:] + names[:i % 3]:
                    results[name].append(counting.run(*programs[name]))
            return results, xrecord.request_names(display.name)
        finally:
            counting.close()
            display.close()


def totals(results, name, index):
    left_out = (WAITS, WAITS, (ROUND_TRIP,))[index]
    return [sum(n for kind, n in run[index].items() if kind not in left_out)
            for run in results[name]]


def detail(results, x_names):
    print("\nBeyond the COM program, by kind (medians):")
    for index, title, label in ((0, "windows", str), (1, "Wine server requests", str),
                                (2, "X requests", lambda op: x_names.get(op, f"opcode {op}"))):
        kinds = set().union(*(run[index] for name in ("installer", "com")
                              for run in results[name]))
        differences = []
        for kind in kinds:
            ours = statistics.median(run[index][kind] for run in results["installer"])
            floor = statistics.median(run[index][kind] for run in results["com"])
            if ours != floor:
                differences.append((ours - floor, label(kind), ours, floor))
        print(f"- {title}: " + ", ".join(f"{name} {difference:+g} ({ours:g} against {floor:g})"
                                         for difference, name, ours, floor
                                         in sorted(differences, reverse=True)))


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    runs = int(args[0]) if args else 3
    arch = args[1] if len(args) > 1 else "win64"
    exe = args[2] if len(args) > 2 else harness.BUILD / "VekDll.exe"
    results, x_names = measure(runs, arch, exe)
    for index, key in enumerate(("windows", "server", "x")):
        ours, bare, com = (totals(results, name, index) for name in ("installer", "bare", "com"))
        beyond = statistics.median(ours) - statistics.median(com)
        before = BEFORE[key]
        row(f"{NAMES[key]} from the process's start to its main window's map ({arch}, "
            f"{runs} runs each)", spread(ours),
            f"bare window program {spread(bare)}; with COM {spread(com)}; "
            f"the installer beyond COM: {beyond:g}",
            f"beyond COM <= {before / 2:g} (half of {before:g} before)", beyond <= before / 2)
    if "--detail" in sys.argv:
        detail(results, x_names)


if __name__ == "__main__":
    main()
