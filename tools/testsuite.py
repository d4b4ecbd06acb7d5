"""Runs every test suite of the project after the build, each in a process of
its own, and ends with one line "N passed, N failed" counted over all of them.
Exits non-zero when any test failed or any suite could not run.

The end-to-end tests, and the payload tests that compare iconv.dll with the
system's code pages, run under this machine's Wine and again under the Wine
of the Debian root in VEK_WINE10 (tools/setup-wine10.sh prints it; tools/test.sh
sets it), each with a counts line of its own naming the Wine's version.

Run through tools/python, which puts the package vek on the path of the
suites' processes.

Usage: tools/python tools/testsuite.py   all suites (tools/test.sh runs this)
       tools/python tools/testsuite.py --unittest DIR OUT [MODULE...]
                                         one Python suite (its modules
                                         MODULE... alone, if named); writes
                                         its counts to OUT
"""

import json
import os
import re
import subprocess
import sys
import tempfile
import threading
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
    """A CTest preset whose tests run one GoogleTest program: its cases
    counted from the program's own XML report (of its whole run); a CTest
    test that failed without failing cases (a crash, or the check of the
    flush order under the relay trace) counts as one failure more."""
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


def python_suite(folder, env=None, wine_root=None, modules=(), log=None):
    """The unittest modules test_*.py of `folder` (or those named), in a
    process of their own; with `wine_root`, under that root's Wine. Their
    output goes to the open file `log`, if given."""
    enter = [str(ROOT / "tools" / "wine-root.sh"), str(wine_root)] if wine_root else []
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run([*enter, sys.executable, __file__, "--unittest", str(folder), out.name,
                        *modules], cwd=ROOT, env=dict(os.environ, **(env or {})), check=False,
                       stdout=log, stderr=log and subprocess.STDOUT)
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
    total = suite.countTestCases()
    result = unittest.TextTestRunner(verbosity=2, resultclass=CountingResult).run(suite)
    Path(out).write_text(json.dumps(counts(total, result)))


class CountingResult(unittest.TextTestResult):
    """Counts the tests that passed, which unittest itself does not."""

    passed = 0

    def addSuccess(self, test):
        super().addSuccess(test)
        self.passed += 1

    def addExpectedFailure(self, test, err):
        super().addExpectedFailure(test, err)
        self.passed += 1


def counts(total, result):
    """The counts of a run of `total` tests: a test that could not run (its
    class's or module's set-up failed) counts as failed, and an error outside
    any test (a class's tear-down) as one failure at least."""
    skipped = len(result.skipped)
    errors = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    return {"passed": result.passed, "failed": max(total - result.passed - skipped, errors),
            "skipped": skipped}


def run_lanes(lanes, results):
    """Runs the lanes (lists of (name, run) suites) side by side, each its
    suites one after the other, and puts each suite's counts and minutes
    into `results` under its name. The first lane prints as it goes; the
    output of a suite in another is kept and printed whole when it ends, so
    that no two suites' lines mix."""
    printing = threading.Lock()

    def lane(suites, streamed):
        for name, run in suites:
            began = time.monotonic()
            if streamed:
                counts = run(None)
            else:
                with tempfile.TemporaryFile() as log:
                    counts = run(log)
                    log.seek(0)
                    with printing:
                        print(f"\n==== {name} (run beside the others) ====", flush=True)
                        sys.stdout.buffer.write(log.read())
                        print(f"==== end of {name} ====", flush=True)
            results[name] = (counts, (time.monotonic() - began) / 60)

    threads = [threading.Thread(target=lane, args=(suites, index == 0))
               for index, suites in enumerate(lanes)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == "--unittest":
        run_unittest(Path(sys.argv[2]), sys.argv[3], sys.argv[4:])
        return 0
    began = time.monotonic()
    payload = (ROOT / "build" / "win32" / "payload" / "folder.txt").read_text().strip()
    wine10 = os.environ.get("VEK_WINE10")
    here, there = wine_version(), wine10 and wine_version(wine10)
    first = [
        ("unit tests (native)", lambda log: ctest("host", ROOT / "build" / "host" / "junit.xml")),
        ("Win32 layer tests (Wine)", lambda log: gtest_under_ctest(
            "win32", ROOT / "build" / "win32" / "junit.xml", ROOT / "build" / "win32" / "win32_tests.xml")),
        ("payload tests", lambda log: python_suite(ROOT / "tests" / "payload",
                                                   {"VEK_PAYLOAD_BUILT": payload}, log=log)),
        ("tools tests", lambda log: python_suite(ROOT / "tests" / "tools", log=log)),
    ]
    # Then the end-to-end suites of the two generations of Wine side by
    # side (the release tests after the first): their tests wait on events,
    # never on speed, and they share nothing but the machine (each its own
    # prefixes, Wine server and display; tools/run.sh's test takes a lock);
    # much of their time is the program's pauses and Wine's waits.
    e2e_here = (f"end-to-end tests (Wine {here})",
                lambda log: python_suite(ROOT / "tests" / "e2e", log=log))
    release = ("release tests", lambda log: python_suite(ROOT / "tests" / "release", log=log))
    lanes = [[e2e_here, release]]
    if wine10:
        lanes.append([
            (f"payload tests of the code pages (Wine {there})", lambda log: python_suite(
                ROOT / "tests" / "payload",
                {"VEK_PAYLOAD_BUILT": payload,
                 "VEK_PAYLOAD_ARTIFACTS": str(ROOT / "build" / "payload-wine10")},
                wine10, CODE_PAGE_TESTS, log)),
            (f"end-to-end tests (Wine {there})", lambda log: python_suite(
                ROOT / "tests" / "e2e", {"VEK_ARTIFACTS": str(ROOT / "build" / "e2e-wine10")},
                wine10, log=log)),
        ])
    results = {}
    run_lanes([first], results)
    run_lanes(lanes, results)

    # The counts lines in the suites' order: the release tests last.
    order = [*first, e2e_here, *(lanes[1] if wine10 else []), release]
    totals = {"passed": 0, "failed": 0, "skipped": 0}
    lines, durations = [], []
    for name, _ in order:
        # A suite whose lane broke off before it ran counts as one failure.
        counts, minutes = results.get(name, ({"passed": 0, "failed": 1, "skipped": 0}, 0))
        durations.append(f"{name}: {minutes:.1f} min")
        lines.append(f"{name}: {counts['passed']} passed, {counts['failed']} failed"
                     + (f", {counts['skipped']} skipped" if counts["skipped"] else ""))
        for key in totals:
            totals[key] += counts[key]
    for artifacts, version in (("e2e", here), ("e2e-wine10", wine10 and there)):
        faults = ROOT / "build" / artifacts / "faults.txt"
        if version and faults.exists():
            print(f"\nfaults (Wine {version}):\n" + faults.read_text(), end="")
    print("\ntime taken (the lanes of the end-to-end suites side by side): "
          f"{(time.monotonic() - began) / 60:.1f} min\n" + "\n".join(durations))
    print("\n" + "\n".join(lines))
    print(f"{totals['passed']} passed, {totals['failed']} failed")
    return 1 if totals["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
