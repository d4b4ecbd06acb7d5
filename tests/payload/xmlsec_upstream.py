"""xmlsec_upstream.py: runs xmlsec's own test suite (tests/testrun.sh with
testKeys.sh, testDSig.sh and testEnc.sh from the xmlsec1 source package)
twice: natively with Debian's xmlsec1 of the same version, and under Wine
with the xmlsec1.exe built from the same source against the payload set,
installed in a fresh prefix's system folder as VekDll.exe installs it.
Prints the counts side by side and the checks that fail on one side only.

    VEK_PAYLOAD_BUILT=$(tools/payload/build.sh) tools/python tests/payload/xmlsec_upstream.py

It takes a while (one Wine process per check) and is not part of the test
suite. Natively the suite runs as upstream's "make check" runs it with
OpenSSL 3 (OPENSSL_CONF naming tests/openssl3.cnf, which loads the legacy
provider); under Wine no configuration is given: the set's OpenSSL engine
loads its built-in legacy provider itself."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import payloadlab
from vek.payload import build

SUITES = ["testKeys.sh", "testDSig.sh", "testEnc.sh"]


def source_tree():
    dsc, _ = build.source_dsc("xmlsec1")
    return build.fetch_source("xmlsec1", dsc) / "tree"


def run_suite(tests, suite, app, tmp, extra_env, log):
    env = dict(os.environ, TMPFOLDER=str(tmp), **extra_env)
    result = subprocess.run(["bash", str(tests / "testrun.sh"), str(tests / suite), "openssl",
                             str(tests), str(app), "der"], cwd=tmp, env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            errors="replace")
    log.write_text(result.stdout)
    totals = re.search(r"TOTAL OK: (\d+); TOTAL FAILED: (\d+); TOTAL SKIPPED: (\d+)", result.stdout)
    counts = tuple(int(n) for n in totals.groups()) if totals else (0, 0, 0)
    return counts, failed_checks(result.stdout)


def failed_checks(output):
    """The names of the tests with a failing step, from testrun's output."""
    failed, current = [], None
    for line in output.splitlines():
        if line and not line.startswith(" ") and not line.startswith("---"):
            current = line.strip()
        elif line.rstrip().endswith(" Fail") and current and current not in failed:
            failed.append(current)
    return failed


def main():
    payload = payloadlab.payload_dir()
    if not shutil.which("xmlsec1"):
        sys.exit("the native xmlsec1 is missing: run tools/setup-debian.sh")
    work = Path(tempfile.mkdtemp(prefix="xmlsec-upstream-"))
    tests = work / "tests"
    shutil.copytree(source_tree() / "tests", tests, symlinks=True)

    exe = payloadlab.client(payload, "xmlsec1.exe")
    lab = payloadlab.prefix()
    wrapper = work / "xmlsec1-wine"
    wrapper.write_text(f'#!/bin/sh\nexec wine "{exe}" "$@"\n')
    wrapper.chmod(0o755)
    wine_env = {k: v for k, v in lab.env().items() if k.startswith(("WINE", "DISPLAY"))}

    sides = {"native": (shutil.which("xmlsec1"), {"XMLSEC_OPENSSL_TEST_CONFIG": "openssl3.cnf"}),
             "Wine": (wrapper, wine_env)}
    results = {}
    for side, (app, env) in sides.items():
        # One folder per side for all three suites: testKeys.sh writes the
        # keys file that testDSig.sh and testEnc.sh read.
        tmp = work / f"tmp-{side}"
        tmp.mkdir()
        for suite in SUITES:
            print(f"xmlsec upstream: {suite} {side} ...", file=sys.stderr, flush=True)
            results[side, suite] = run_suite(tests, suite, app, tmp, env,
                                             work / f"{side}-{suite}.log")

    print("| Suite | native OK / failed / skipped | Wine OK / failed / skipped |")
    print("|---|---|---|")
    for suite in SUITES:
        cells = [" / ".join(map(str, results[side, suite][0])) for side in sides]
        print(f"| {suite} | {cells[0]} | {cells[1]} |")
    for suite in SUITES:
        native, wine = set(results["native", suite][1]), set(results["Wine", suite][1])
        for side, only in (("native", native - wine), ("Wine", wine - native)):
            for name in sorted(only):
                print(f"{suite}: fails only {side}: {name}")
    print(f"logs: {work}", file=sys.stderr)


if __name__ == "__main__":
    main()
