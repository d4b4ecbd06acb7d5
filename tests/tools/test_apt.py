"""The set-up's apt decisions (tools/apt.sh) against a fake apt-get on PATH:
a mirror caught mid-sync, versions that cannot pair, a package that is not
there at all. Fast: no real apt, no pauses."""

import json
import os
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

APT_SH = Path(__file__).resolve().parents[2] / "tools" / "apt.sh"

STALE = ("E: Failed to fetch http://archive/debian-security/dists/bookworm-security/main/"
         "binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?\n"
         "E: Some index files failed to download. They have been ignored, or old ones used instead.\n")
UNPAIRED = ("The following packages have unmet dependencies:\n"
            " libwine : Depends: libgstreamer-plugins-base1.0-0 (>= 1.0.0) but it is not installable\n"
            "E: Unable to correct problems, you have held broken packages.\n")
MISSING = "E: Unable to locate package nosuch\n"
OK = (0, "")

# The fake apt-get answers each kind of call (update, install) with the next
# of its answers, the last one repeated; it logs every call's arguments.
FAKE = f"""#!{sys.executable}
import json, sys
from pathlib import Path
here = Path(__file__).parent
kind = "update" if "update" in sys.argv else "install"
state = json.loads((here / "answers.json").read_text())
answers = state[kind]
status, output = answers[0]
if len(answers) > 1:
    answers.pop(0)
(here / "answers.json").write_text(json.dumps(state))
with open(here / "calls.txt", "a") as calls:
    calls.write(" ".join(sys.argv[1:]) + "\\n")
sys.stderr.write(output)
sys.exit(status)
"""

# scenario, update's answers, install's answers, expected status, what the
# set-up must say (each a part of one line of its), the install calls made.
CASES = [
    ("update fails once, then passes", [(100, STALE), OK], [OK], 0,
     ["trying again (2 of 3)"], ["install"]),
    ("one index stale on every try: goes on without it", [(100, STALE)], [OK], 0,
     ["could not fetch http://archive/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"
      " (File has unexpected size", "going on with the indexes it has"], ["install"]),
    ("versions that cannot pair: the main suite's installed", [(100, STALE)], [(100, UNPAIRED), OK], 0,
     ["installing the main suite's (bookworm)"], ["install", "install -t bookworm"]),
    ("a package not there at all fails, naming it", [OK], [(100, MISSING)], 1,
     ["setup: cannot install: Unable to locate package nosuch"], ["install"]),
    ("unpaired even at the main suite's versions fails, naming the package", [OK], [(100, UNPAIRED)], 1,
     ["setup: cannot install: libwine: Depends: libgstreamer-plugins-base1.0-0 (>= 1.0.0) but it is not installable"],
     ["install", "install -t bookworm"]),
]


class AptDecisions(unittest.TestCase):
    def test_table(self):
        for name, update, install, status, said, installs in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                fake = Path(folder) / "apt-get"
                fake.write_text(FAKE)
                fake.chmod(0o755)
                (Path(folder) / "answers.json").write_text(json.dumps({"update": update, "install": install}))
                run = subprocess.run(
                    ["sh", "-c", f'. "{APT_SH}"; apt_update && apt_install -- wine wine32:i386'],
                    env=dict(os.environ, PATH=f"{folder}:{os.environ['PATH']}", SUDO="", VEK_APT_PAUSE="0"),
                    capture_output=True, text=True, check=False)
                self.assertEqual(run.returncode, status, run.stderr)
                lines = run.stderr.splitlines()
                for part in said:
                    self.assertTrue(any(part in line for line in lines), f"{part!r} not in {lines}")
                calls = (Path(folder) / "calls.txt").read_text().splitlines()
                made = [" ".join(word for word in call.split() if word in ("install", "-t", "bookworm"))
                        for call in calls if "install" in call.split()]
                self.assertEqual(made, installs)
                self.assertTrue(all(call.endswith("wine wine32:i386") for call in calls if "install" in call))
                # apt's own output is kept back; only the set-up's lines are shown.
                self.assertEqual(run.stdout, "")


if __name__ == "__main__":
    unittest.main()
