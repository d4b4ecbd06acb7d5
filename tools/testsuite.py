#!/usr/bin/env python3
"""Runs every test suite of the project after the build, each in a process of
its own, and ends with one line "N passed, N failed" counted over all of them.
Exits non-zero when any test failed or any suite could not run.

Usage: testsuite.py                    all suites (tools/test.sh calls this)
       testsuite.py --unittest DIR OUT one Python suite; writes its counts to OUT
"""

import json
import os
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]


def ctest(preset, junit):
    """A CTest preset's tests; counts read from its JUnit report."""
    junit.unlink(missing_ok=True)
    subprocess.run(["ctest", "--preset", preset, "--output-junit", str(junit)], cwd=ROOT, check=False)
    if not junit.exists():
        return {"passed": 0, "failed": 1, "skipped": 0}
    suite = ElementTree.parse(junit).getroot()
    total = int(suite.get("tests", 0))
    failed = int(suite.get("failures", 0)) + int(suite.get("errors", 0))
    skipped = int(suite.get("skipped", 0)) + int(suite.get("disabled", 0))
    return {"passed": total - failed - skipped, "failed": failed, "skipped": skipped}


def gtest_under_ctest(preset, junit, report):
    """A CTest preset whose test runs one GoogleTest program once: its cases
    counted from the program's own XML report; a run that failed without
    failing cases (a crash) counts as one failure more."""
    report.unlink(missing_ok=True)
    run = ctest(preset, junit)
    if not report.exists():
        return {"passed": 0, "failed": max(1, run["failed"]), "skipped": 0}
    cases = list(ElementTree.parse(report).getroot().iter("testcase"))
    failed = sum(1 for case in cases if case.find("failure") is not None)
    skipped = sum(1 for case in cases if case.get("result") in ("skipped", "suppressed")
                  and case.find("failure") is None)
    if run["failed"] and not failed:
        failed = 1
    return {"passed": len(cases) - failed - skipped, "failed": failed, "skipped": skipped}


def python_suite(folder, env=None):
    """The unittest modules test_*.py of `folder`, in a process of their own."""
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run([sys.executable, __file__, "--unittest", str(folder), out.name],
                       cwd=ROOT, env=dict(os.environ, **(env or {})), check=False)
        text = Path(out.name).read_text()
    # No counts: the suite's process died before it could write them.
    return json.loads(text) if text else {"passed": 0, "failed": 1, "skipped": 0}


def run_unittest(folder, out):
    suite = unittest.defaultTestLoader.discover(str(folder), pattern="test_*.py",
                                                top_level_dir=str(folder))
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    skipped = len(result.skipped)
    Path(out).write_text(json.dumps({"passed": result.testsRun - failed - skipped,
                                     "failed": failed, "skipped": skipped}))


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--unittest":
        run_unittest(Path(sys.argv[2]), sys.argv[3])
        return 0
    payload = (ROOT / "build" / "win32" / "payload" / "folder.txt").read_text().strip()
    suites = [
        ("unit tests (native)", lambda: ctest("host", ROOT / "build" / "host" / "junit.xml")),
        ("Win32 layer tests (Wine)", lambda: gtest_under_ctest(
            "win32", ROOT / "build" / "win32" / "junit.xml", ROOT / "build" / "win32" / "win32_tests.xml")),
        ("payload tests", lambda: python_suite(ROOT / "tests" / "payload",
                                               {"VEK_PAYLOAD_BUILT": payload})),
        ("end-to-end tests", lambda: python_suite(ROOT / "tests" / "e2e")),
        ("release tests", lambda: python_suite(ROOT / "tests" / "release")),
    ]
    totals = {"passed": 0, "failed": 0, "skipped": 0}
    lines = []
    for name, run in suites:
        counts = run()
        lines.append(f"{name}: {counts['passed']} passed, {counts['failed']} failed"
                     + (f", {counts['skipped']} skipped" if counts["skipped"] else ""))
        for key in totals:
            totals[key] += counts[key]
    faults = ROOT / "build" / "e2e" / "faults.txt"
    if faults.exists():
        print("\n" + faults.read_text(), end="")
    print("\n" + "\n".join(lines))
    print(f"{totals['passed']} passed, {totals['failed']} failed")
    return 1 if totals["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
