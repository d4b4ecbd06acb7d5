"""The build's check of the linked executable (tools/link/check_image.py),
on small programs linked here as VekDll.exe is: started at their own entry
point, with a linker map."""

import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

CHECK = Path(__file__).resolve().parents[2] / "tools" / "link" / "check_image.py"
COMPILER = "i686-w64-mingw32-g++"

ENTRY = """
#include <windows.h>
extern "C" DWORD WINAPI Entry(void*) { ExitProcess(0); }
"""
STATIC_OBJECT = """
#include <windows.h>
struct Started { Started() { SetLastError(1); } };
Started started;  // a constructor that nothing would run
"""

LATE_IMPORT = """
#include <windows.h>
FILETIME now;
void Later(void) { GetSystemTimePreciseAsFileTime(&now); }
"""

# scenario, the program's sources, the budget, the problem named (None: none).
CASES = [
    ("a program without static constructors, within the budget", [ENTRY], 1 << 20, None),
    ("a static constructor in one of its files", [ENTRY, STATIC_OBJECT], 1 << 20,
     "1.cpp.o has static constructors"),
    ("past the budget", [ENTRY], 1024, "past the budget of 1024"),
    ("an import that Windows Vista lacks", [ENTRY, LATE_IMPORT], 1 << 20,
     "GetSystemTimePreciseAsFileTime (Windows 8)"),
]


@unittest.skipUnless(shutil.which(COMPILER), "no MinGW-w64 compiler")
class CheckImage(unittest.TestCase):

    def test_cases(self):
        for scenario, sources, budget, problem in CASES:
            with self.subTest(scenario), tempfile.TemporaryDirectory() as folder:
                folder = Path(folder)
                objects = []
                for n, source in enumerate(sources):
                    (folder / f"{n}.cpp").write_text(source)
                    objects.append(str(folder / f"{n}.cpp.o"))
                    subprocess.run([COMPILER, "-Os", "-c", str(folder / f"{n}.cpp"), "-o",
                                    objects[-1]], check=True)
                exe, link_map = folder / "program.exe", folder / "program.map"
                subprocess.run([COMPILER, "-nostartfiles", "-Wl,-e,_Entry@4",
                                f"-Wl,-Map,{link_map}", *objects, "-o", str(exe)], check=True)
                checked = subprocess.run([sys.executable, str(CHECK), str(link_map), str(exe),
                                          str(budget)], capture_output=True, text=True)
                self.assertEqual(problem is not None, checked.returncode != 0, checked.stderr)
                if problem:
                    self.assertIn(problem, checked.stderr)


if __name__ == "__main__":
    unittest.main()
