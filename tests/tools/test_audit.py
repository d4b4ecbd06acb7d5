"""The payload set's audit (vek.payload.audit) against a fake apt on
PATH: a set that is current (on a mirror caught with one binary index
stale), one behind by two uploads, a package the archive no longer offers,
and an archive that cannot be reached. Fast: no real apt, no network."""

import gzip
import json
import os
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path


# apt-get update answers (status, output); apt-cache showsrc answers from
# "sources" {package: [[version, binaries]]}; apt-get download BIN=VERSION
# copies debs/BIN_VERSION.deb where the test made one.
FAKE_APT_GET = f"""#!{sys.executable}
import json, shutil, sys
from pathlib import Path
here = Path(__file__).parent
state = json.loads((here / "archive.json").read_text())
if "update" in sys.argv:
    status, output = state["update"]
    sys.stdout.write(output)
    sys.exit(status)
if "download" in sys.argv:
    binary, version = sys.argv[-1].split("=", 1)
    deb = here / "debs" / f"{{binary}}_{{version}}.deb"
    if not deb.exists():
        sys.exit(100)
    shutil.copy(deb, ".")
    sys.exit(0)
sys.exit(100)
"""
FAKE_APT_CACHE = f"""#!{sys.executable}
import json, sys
from pathlib import Path
state = json.loads((Path(__file__).parent / "archive.json").read_text())
for version, binaries in state["sources"].get(sys.argv[-1], []):
    print(f"Package: {{sys.argv[-1]}}\\nBinary: {{binaries}}\\nVersion: {{version}}\\n")
"""

CHANGELOG = """zlib (1:1.2.13.dfsg-1+deb12u2) bookworm-security; urgency=high

  * CVE-2026-0002: heap overflow.

 -- A Maintainer <a@example.org>  Sat, 05 Dec 2026 10:00:00 +0000

zlib (1:1.2.13.dfsg-1+deb12u1) bookworm-security; urgency=high

  * CVE-2026-0001: endless loop.
  * CVE-2026-0002: heap overflow, first part.

 -- A Maintainer <a@example.org>  Sat, 28 Nov 2026 10:00:00 +0000

zlib (1:1.2.13.dfsg-1) unstable; urgency=low

  * CVE-2022-9999: fixed long before the carried version.

 -- A Maintainer <a@example.org>  Sat, 05 Nov 2022 12:00:00 +0000
"""

MANIFEST = ("# file\tpackage\tversion\tsize\tsha256\n"
            "zlib1.dll\tzlib\t1:1.2.13.dfsg-1\t1\t0\n"
            "libxmlsec-openssl.dll\txmlsec1+openssl\t1.2.37-2+3.0.22-1\t1\t0\n"
            "iconv.dll\tvekdll-iconv\t1.0\t1\t0\n")

UP_TO_DATE = {"zlib": [["1:1.2.13.dfsg-1", "zlib1g, zlib1g-dev"]],
              "xmlsec1": [["1.2.37-2", "libxmlsec1"]], "openssl": [["3.0.22-1", "libssl3"]]}
STALE_I386 = (100, "E: Failed to fetch http://mirror/debian-security/dists/bookworm-security/main/"
                   "binary-i386/Packages.xz  File has unexpected size (1 != 2)\n")
UNRESOLVED = (100, "Err:1 http://mirror/debian bookworm InRelease\n"
                   "E: Failed to fetch http://mirror/debian/dists/bookworm/main/source/Sources.xz  "
                   "Could not resolve 'mirror'\n")

# case, update's answer, the archive's sources, exit status, the audit's
# lines (each a part of one line of its stdout, blanks between columns
# counted as one), what it must not say.
CASES = [
    ("current, with one binary index stale", STALE_I386, UP_TO_DATE, 0,
     ["zlib 1:1.2.13.dfsg-1 1:1.2.13.dfsg-1 current", "all 3 packages current"], ["vekdll"]),
    ("behind by two uploads: the CVEs they fix", (0, ""),
     dict(UP_TO_DATE, zlib=[["1:1.2.13.dfsg-1", "zlib1g"], ["1:1.2.13.dfsg-1+deb12u2", "zlib1g-dev, zlib1g"]]),
     1, ["zlib 1:1.2.13.dfsg-1 1:1.2.13.dfsg-1+deb12u2 BEHIND by 2 uploads: CVE-2026-0002, CVE-2026-0001",
         "1 of 3 packages behind"], ["CVE-2022-9999"]),
    ("a package the archive no longer offers", (0, ""), {"zlib": UP_TO_DATE["zlib"], "openssl": UP_TO_DATE["openssl"]},
     1, ["xmlsec1 1.2.37-2 - NOT OFFERED by the archive any more", "1 of 3 packages behind"], []),
    ("the archive cannot be reached", UNRESOLVED, UP_TO_DATE, 2,
     ["cannot be reached (http://mirror/debian/dists/bookworm/main/source/Sources.xz Could not resolve "
      "'mirror'); cannot tell whether the set is current"], ["packages current"]),
]


def make_deb(folder, binary, version, changelog):
    """A .deb of `binary` at `version` whose doc folder holds `changelog`."""
    tree = folder / f"{binary}-tree"
    (tree / "DEBIAN").mkdir(parents=True)
    (tree / "DEBIAN" / "control").write_text(
        f"Package: {binary}\nVersion: {version}\nArchitecture: all\n"
        "Maintainer: A Maintainer <a@example.org>\nDescription: test\n")
    doc = tree / "usr" / "share" / "doc" / binary
    doc.mkdir(parents=True)
    (doc / "changelog.Debian.gz").write_bytes(gzip.compress(changelog.encode()))
    subprocess.run(["dpkg-deb", "--build", "--root-owner-group", str(tree),
                    str(folder / f"{binary}_{version}.deb")], check=True, capture_output=True)


class Audit(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.bin = Path(cls.tmp.name) / "bin"
        (cls.bin / "debs").mkdir(parents=True)
        for name, text in (("apt-get", FAKE_APT_GET), ("apt-cache", FAKE_APT_CACHE),
                           ("sudo", '#!/bin/sh\nexec "$@"\n')):
            (cls.bin / name).write_text(text)
            (cls.bin / name).chmod(0o755)
        # Only zlib1g carries the changelog: zlib1g-dev, listed first, has none.
        make_deb(cls.bin / "debs", "zlib1g", "1:1.2.13.dfsg-1+deb12u2", CHANGELOG)
        cls.set = Path(cls.tmp.name) / "set"
        cls.set.mkdir()
        (cls.set / "manifest.txt").write_text(MANIFEST)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_table(self):
        for case, update, sources, status, said, unsaid in CASES:
            with self.subTest(case):
                (self.bin / "archive.json").write_text(json.dumps({"update": update, "sources": sources}))
                run = subprocess.run([sys.executable, "-m", "vek.payload.audit", str(self.set)],
                                     env=dict(os.environ, PATH=f"{self.bin}:{os.environ['PATH']}"),
                                     capture_output=True, text=True, timeout=60)
                self.assertEqual(status, run.returncode, run.stdout + run.stderr)
                lines = [" ".join(line.split()) for line in run.stdout.splitlines()]
                for part in said:
                    self.assertTrue(any(part in line for line in lines), f"{part!r} not in {lines}")
                for part in unsaid:
                    self.assertNotIn(part, run.stdout)
                if status == 2:
                    self.assertEqual(1, len(lines), lines)


if __name__ == "__main__":
    unittest.main()
