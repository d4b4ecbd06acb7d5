#!/usr/bin/env python3
"""Runs every test suite of the project after the build, each in a process of
its own, and ends with one line "N passed, N failed" counted over all of them.
Exits non-zero when any test failed or any suite could not run.

The end-to-end tests, and the payload tests that compare iconv.dll with the
system's code pages, run under this machine's Wine and again under the Wine
of the Debian root in VEK_WINE10 (tools/setup-wine10.sh prints it; tools/test.sh
sets it), each with a counts line of its own naming the Wine's version.

Usage: testsuite.py                    all suites (tools/test.sh calls this)
       testsuite.py --unittest DIR OUT [MODULE...]
                                       one Python suite (its modules MODULE...
                                       alone, if named); writes its counts to OUT
"""

import json
import os
import re
import subprocess
import sys
import tempfile
import time
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


# The payload tests whose results hang on the system's code-page tables,
# which differ between Wine's generations.
CODE_PAGE_TESTS = ["test_iconv", "test_iconv_matrix", "test_xml_encodings"]


def python_suite(folder, env=None, wine_root=None, modules=()):
    """The unittest modules test_*.py of `folder` (or those named), in a
    process of their own; with `wine_root`, under that root's Wine."""
    enter = [str(ROOT / "tools" / "wine-root.sh"), str(wine_root)] if wine_root else []
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run([*enter, sys.executable, __file__, "--unittest", str(folder), out.name,
                        *modules], cwd=ROOT, env=dict(os.environ, **(env or {})), check=False)
        text = Path(out.name).read_text()
    # No counts: the suite's process died before it could write them.
    return json.loads(text) if text else {"passed": 0, "failed": 1, "skipped": 0}


def wine_version(wine_root=None):
    """"8.0", "10.0": the version that `wine --version` gives, this machine's
    or that of the root's Wine."""
    command = ["wine", "--version"]
    if wine_root:
        command = [str(ROOT / "tools" / "wine-root.sh"), str(wine_root),
                   "unshare", f"--root={wine_root}", *command]
    result = subprocess.run(command, capture_output=True, text=True, check=False)
    found = re.match(r"wine-(\S+)", result.stdout.strip())
    return found.group(1) if found else "unknown"


def run_unittest(folder, out, modules=()):
    sys.path.insert(0, str(folder))
    if modules:
        suite = unittest.defaultTestLoader.loadTestsFromNames(modules)
    else:
        suite = unittest.defaultTestLoader.discover(str(folder), pattern="test_*.py",
                                                    top_level_dir=str(folder))
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    skipped = len(result.skipped)
    Path(out).write_text(json.dumps({"passed": result.testsRun - failed - skipped,
                                     "failed": failed, "skipped": skipped}))


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == "--unittest":
        run_unittest(Path(sys.argv[2]), sys.argv[3], sys.argv[4:])
        return 0
    payload = (ROOT / "build" / "win32" / "payload" / "folder.txt").read_text().strip()
    wine10 = os.environ.get("VEK_WINE10")
    here, there = wine_version(), wine10 and wine_version(wine10)
    suites = [
        ("unit tests (native)", lambda: ctest("host", ROOT / "build" / "host" / "junit.xml")),
        ("Win32 layer tests (Wine)", lambda: gtest_under_ctest(
            "win32", ROOT / "build" / "win32" / "junit.xml", ROOT / "build" / "win32" / "win32_tests.xml")),
        ("payload tests", lambda: python_suite(ROOT / "tests" / "payload",
                                               {"VEK_PAYLOAD_BUILT": payload})),
        (f"end-to-end tests (Wine {here})", lambda: python_suite(ROOT / "tests" / "e2e")),
    ]
    if wine10:
        suites += [
            (f"payload tests of the code pages (Wine {there})", lambda: python_suite(
                ROOT / "tests" / "payload",
                {"VEK_PAYLOAD_BUILT": payload,
                 "VEK_PAYLOAD_ARTIFACTS": str(ROOT / "build" / "payload-wine10")},
                wine10, CODE_PAGE_TESTS)),
            (f"end-to-end tests (Wine {there})", lambda: python_suite(
                ROOT / "tests" / "e2e", {"VEK_ARTIFACTS": str(ROOT / "build" / "e2e-wine10")},
                wine10)),
        ]
    suites.append(("release tests", lambda: python_suite(ROOT / "tests" / "release")))
    totals = {"passed": 0, "failed": 0, "skipped": 0}
    lines, durations = [], []
    for name, run in suites:
        began = time.monotonic()
        counts = run()
        durations.append(f"{name}: {(time.monotonic() - began) / 60:.1f} min")
        lines.append(f"{name}: {counts['passed']} passed, {counts['failed']} failed"
                     + (f", {counts['skipped']} skipped" if counts["skipped"] else ""))
        for key in totals:
            totals[key] += counts[key]
    for artifacts, version in (("e2e", here), ("e2e-wine10", wine10 and there)):
        faults = ROOT / "build" / artifacts / "faults.txt"
        if version and faults.exists():
            print(f"\nfaults (Wine {version}):\n" + faults.read_text(), end="")
    print("\ntime taken:\n" + "\n".join(durations))
    print("\n" + "\n".join(lines))
    print(f"{totals['passed']} passed, {totals['failed']} failed")
    return 1 if totals["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
