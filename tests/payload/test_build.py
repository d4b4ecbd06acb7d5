"""The payload build driver's contract where it matters most to its callers:
nothing on stdout but the folder, and a failure that names the library and
shows the end of its log. Runs a copy of the driver (the package) and of
tools/payload with a step made to fail, against a cache of its own; no
library is really built."""

import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from vek import ROOT


class BuildDriverTest(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="vek-payload-build-"))
        self.tools = self.tmp / "tools" / "payload"
        shutil.copytree(ROOT / "tools" / "payload", self.tools)
        # A copy of the package, which finds the build's files from where it
        # lies, and the program's data files, whose facts it reads.
        shutil.copytree(ROOT / "python", self.tmp / "python")
        for folder in ("app", "cmake", "platform"):
            (self.tmp / folder).symlink_to(ROOT / folder)
        self.env = {"PATH": "/usr/local/bin:/usr/bin:/bin", "HOME": str(self.tmp),
                    "XDG_CACHE_HOME": str(self.tmp / "cache"),
                    "PYTHONPATH": str(self.tmp / "python")}

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def build(self, *args, **env):
        return subprocess.run([sys.executable, "-m", "vek.payload.build", *args],
                              env=dict(self.env, **env), capture_output=True, text=True,
                              timeout=300)

    def test_a_failing_step_names_its_library_and_shows_its_log(self):
        (self.tools / "steps" / "iconv.sh").write_text(
            "echo 'compiling iconv.c'\n"
            "echo 'iconv.c:42: error: the reason it failed' >&2\n"
            "exit 3\n")
        result = self.build()
        self.assertNotEqual(result.returncode, 0)
        self.assertEqual(result.stdout, "")
        self.assertIn("[1/7] vekdll-iconv", result.stderr)
        self.assertIn("building vekdll-iconv failed", result.stderr)
        self.assertIn("iconv.c:42: error: the reason it failed", result.stderr)
        # Nothing half-built is taken for a result by the next run.
        steps = (self.tmp / "cache" / "vekdll" / "payload" / "steps").glob("iconv-*")
        self.assertEqual([p for p in steps if not p.name.endswith(".partial")], [])
        self.assertEqual(list((self.tmp / "cache").glob("vekdll/payload/sets/*")), [])

    def test_refuses_arguments_and_a_missing_licensed_midas(self):
        result = self.build("somewhere")
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("no arguments", result.stderr)
        result = self.build(VEK_MIDAS_DLL=str(self.tmp / "no-such-midas.dll"))
        self.assertNotEqual(result.returncode, 0)
        self.assertEqual(result.stdout, "")
        self.assertIn("VEK_MIDAS_DLL", result.stderr)


if __name__ == "__main__":
    unittest.main()
