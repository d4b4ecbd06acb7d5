"""Data before name, read from Wine's relay trace: runs the Win32 layer's
placing tests (a copy placed under its name, kept under it, or refused)
with ntdll's flush, rename and close calls traced, and fails unless every
rename of an open file (NtSetInformationFile, FileRenameInformation) comes
after a flush of that same handle (NtFlushBuffersFile) since it was opened.
The trace follows the calls into ntdll, however the layer makes them.

Usage: flush_order.py PREFIX WIN32_TESTS_EXE"""

import os
import re
import subprocess
import sys
from pathlib import Path

TESTS = "LandingFolder.TheShellsCopyTakesItsName*:LandingFolder.ACopyHeldAMoment*"
TRACED = "ntdll.NtFlushBuffersFile;ntdll.NtSetInformationFile;ntdll.NtClose"
FILE_RENAME_INFORMATION = 10
CALL = re.compile(r"^(\w+):Call ntdll\.(\w+)\(([^)]*)\)")
RET = re.compile(r"^(\w+):Ret  ntdll\.(\w+)\(\) retval=(\w+)")


def renames(trace):
    """[(handle, flushed before it, succeeded)] for each rename in `trace`."""
    flushed, found, pending = set(), [], {}
    for line in trace.splitlines():
        call = CALL.match(line)
        if call:
            thread, name, args = call.groups()
            pending[thread] = (name, args.split(","))
            continue
        ret = RET.match(line)
        if not ret or ret.group(1) not in pending:
            continue
        name, args = pending.pop(ret.group(1))
        handle, ok = args[0], int(ret.group(3), 16) == 0
        if name == "NtClose":
            flushed.discard(handle)
        elif name == "NtFlushBuffersFile" and ok:
            flushed.add(handle)
        elif name == "NtSetInformationFile" and int(args[4], 16) == FILE_RENAME_INFORMATION:
            found.append((handle, handle in flushed, ok))
    return found


def main(prefix, program):
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all")
    for name, value in (("RelayInclude", TRACED), ("RelayFromExclude", "")):
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\Debug", "/v", name, "/d", value,
                        "/f"], env=env, check=True, capture_output=True)
    wine_sh = Path(__file__).with_name("wine.sh")
    done = subprocess.run(["sh", str(wine_sh), prefix, program, f"--gtest_filter={TESTS}"],
                          env=dict(env, WINEDEBUG="+relay"), capture_output=True)
    print(done.stdout.decode(errors="replace"))
    if done.returncode != 0:
        print(done.stderr.decode(errors="replace")[-4000:])
        return 1
    found = renames(done.stderr.decode(errors="replace"))
    unflushed = [handle for handle, flushed, _ in found if not flushed]
    placed = sum(1 for _, _, ok in found if ok)
    print(f"renames of open files: {len(found)} ({placed} done), "
          f"{len(found) - len(unflushed)} after a flush of their handle")
    return 0 if found and placed and not unflushed else 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
