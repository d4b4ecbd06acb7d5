"""The set-up's own apt sources (tools/debian-archive.sh): the source
packages of every suite that carries fixes, the security suite at the
address this machine's own sources give for it, written on a fresh machine
and added to a list of ours from before. Against an apt folder of the
test's own; nothing is fetched."""

import subprocess
import tempfile
import unittest
from pathlib import Path

ARCHIVE_SH = Path(__file__).resolve().parents[2] / "tools" / "debian-archive.sh"

DEB822 = """Types: deb
URIs: http://mirror/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://mirror/debian-security
Suites: bookworm-security
Components: main
"""
ONE_LINE = ("deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://old/debian bookworm main\n"
            "deb http://old/security bookworm-security main\n")
WITHOUT_SECURITY = "Types: deb\nURIs: http://mirror/debian\nSuites: bookworm\nComponents: main\n"
# A list of ours as the set-up wrote it before it knew the security suite.
OLD_LIST = ("Types: deb-src\nURIs: http://mirror/debian\nSuites: bookworm bookworm-updates\n"
            "Components: main\n\nTypes: deb\nURIs: http://mirror/debian\nSuites: bookworm-backports\n"
            "Components: main\n")


def stanzas(text):
    """(types, URI, suites) of each entry of a deb822 list."""
    found = []
    for block in text.split("\n\n"):
        fields = dict(line.split(": ", 1) for line in block.splitlines() if ": " in line)
        if fields:
            found.append((fields["Types"], fields["URIs"], fields["Suites"]))
    return found


OURS = [("deb-src", "http://mirror/debian", "bookworm bookworm-updates"),
        ("deb", "http://mirror/debian", "bookworm-backports")]
SECURITY = ("deb-src", "http://mirror/debian-security", "bookworm-security")

# case, the machine's sources {file: text}, our list before (None: none),
# our list's entries after, changed, what the set-up says (a part of a line).
CASES = [
    ("fresh machine", {"sources.list.d/debian.sources": DEB822}, None, [*OURS, SECURITY], "yes", None),
    ("fresh machine, one-line sources", {"sources.list": ONE_LINE}, None,
     [("deb-src", "http://old/debian", "bookworm bookworm-updates"),
      ("deb", "http://old/debian", "bookworm-backports"),
      ("deb-src", "http://old/security", "bookworm-security")], "yes", None),
    ("our list from before gets the security suite", {"sources.list.d/debian.sources": DEB822},
     OLD_LIST, [*OURS, SECURITY], "yes", "adding the security suite"),
    ("our list already whole: left as it is", {"sources.list.d/debian.sources": DEB822},
     OLD_LIST + "\n" + "Types: deb-src\nURIs: http://mirror/debian-security\n"
     "Suites: bookworm-security\nComponents: main\n", [*OURS, SECURITY], "no", None),
    ("no security archive named: said, and left out",
     {"sources.list.d/debian.sources": WITHOUT_SECURITY}, None, OURS, "yes",
     "name no bookworm-security archive"),
]


class ProjectSources(unittest.TestCase):
    def test_table(self):
        for case, machine, before, after, changed, said in CASES:
            with self.subTest(case), tempfile.TemporaryDirectory() as etc:
                (Path(etc) / "sources.list.d").mkdir()
                for name, text in machine.items():
                    (Path(etc) / name).write_text(text)
                ours = Path(etc) / "sources.list.d" / "vekdll.sources"
                if before is not None:
                    ours.write_text(before)
                run = subprocess.run(
                    ["sh", "-c", f'SUDO=; changed=no; . "{ARCHIVE_SH}"; add_project_sources; echo "$changed"'],
                    env={"PATH": "/usr/bin:/bin", "VEK_APT_ETC": etc},
                    capture_output=True, text=True, check=True)
                self.assertEqual(after, stanzas(ours.read_text()))
                self.assertEqual(changed, run.stdout.strip())
                if said:
                    self.assertIn(said, run.stderr)
                else:
                    self.assertEqual("", run.stderr)


if __name__ == "__main__":
    unittest.main()
