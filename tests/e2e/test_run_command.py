"""The README's run command, tools/run.sh, on a machine without a display:
the first run (a new prefix), a second run, and a run whose prefix already
has a Wine server that was started elsewhere without a display all end with
the window's screenshot and exit code 0."""

import fcntl
import os
import shutil
import struct
import tempfile
import unittest

from vek.harness.commands import run
from vek.harness.facts import ROOT
from vek.harness.prefix import WinePrefix

SCREENSHOT = ROOT / "build" / "screenshot.png"
# Held for the whole test: tools/run.sh configures and builds the one build
# folder and writes the one screenshot, and the suites of two Wines may run
# this test at the same time.
LOCK = ROOT / "build" / "run-command.lock"
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


class RunCommand(unittest.TestCase):

    def setUp(self):
        self.lock = open(LOCK, "w")
        fcntl.flock(self.lock, fcntl.LOCK_EX)
        self.home = tempfile.mkdtemp(prefix="vek-run-")
        env = {key: value for key, value in os.environ.items() if key != "DISPLAY"}
        self.wine = WinePrefix(os.path.join(self.home, "wine64"), dict(env, WINEDEBUG="-all"))

    def tearDown(self):
        self.wine.server("-k")
        shutil.rmtree(self.home, ignore_errors=True)
        self.lock.close()

    def assertRunShowsTheWindow(self, which):
        SCREENSHOT.unlink(missing_ok=True)
        result = run([str(ROOT / "tools" / "run.sh")], env=self.wine.env(), timeout=1800, check=False)
        output = (result.stdout + result.stderr).decode(errors="replace")
        self.assertEqual(0, result.returncode, f"{which}:\n{output[-3000:]}")
        self.assertIn("screenshot of its window", output, which)
        png = SCREENSHOT.read_bytes()
        self.assertEqual(PNG_SIGNATURE, png[:8], which)
        width, height = struct.unpack(">II", png[16:24])
        self.assertTrue(391 < width < 500 and 76 < height < 200, f"{which}: {width} x {height}, "
                        "not the window")

    def test_first_and_second_run_and_a_server_started_elsewhere(self):
        self.assertRunShowsTheWindow("first run, new prefix")
        self.assertRunShowsTheWindow("second run")
        # A server started without a display, kept alive, with its desktop
        # (what a wineboot in a terminal leaves behind).
        self.wine.server("-p", timeout=300, check=True)
        self.wine.wine("wineboot", timeout=600)
        self.assertRunShowsTheWindow("run with a server started elsewhere")


if __name__ == "__main__":
    unittest.main()
