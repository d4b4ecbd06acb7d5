"""The counts that the test command prints for a Python suite: every test
counted once, as passed, failed or skipped, whatever broke around it."""

import json
import subprocess
import sys
import tempfile
import textwrap
import unittest
from pathlib import Path

TESTSUITE = Path(__file__).resolve().parents[2] / "tools" / "testsuite.py"

# scenario, the module's body, the counts it must give.
CASES = [
    ("passing, failing and skipped tests",
     """
     class T(unittest.TestCase):
         def test_a(self): pass
         def test_b(self): self.fail()
         @unittest.skip("no")
         def test_c(self): pass
     """, {"passed": 1, "failed": 1, "skipped": 1}),
    ("a class set-up that fails: none of its tests ran, each counts as failed",
     """
     class T(unittest.TestCase):
         @classmethod
         def setUpClass(cls): raise RuntimeError("no display")
         def test_a(self): pass
         def test_b(self): pass
         def test_c(self): pass
     class U(unittest.TestCase):
         def test_d(self): pass
     """, {"passed": 1, "failed": 3, "skipped": 0}),
    ("a class tear-down that fails after passing tests is a failure",
     """
     class T(unittest.TestCase):
         @classmethod
         def tearDownClass(cls): raise RuntimeError("left behind")
         def test_a(self): pass
     """, {"passed": 1, "failed": 1, "skipped": 0}),
    ("a module that cannot be imported is a failure",
     "import no_such_module\n", {"passed": 0, "failed": 1, "skipped": 0}),
]


class SuiteCounts(unittest.TestCase):
    def test_table(self):
        for name, body, expected in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                (Path(folder) / "test_case.py").write_text("import unittest\n" + textwrap.dedent(body))
                out = Path(folder) / "counts.json"
                subprocess.run([sys.executable, str(TESTSUITE), "--unittest", folder, str(out)],
                               capture_output=True, check=False)
                self.assertEqual(json.loads(out.read_text()), expected)


if __name__ == "__main__":
    unittest.main()
