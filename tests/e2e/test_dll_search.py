"""The library search of VekDll.exe under Wine: DLLs dropped beside the
executable and into Dlls\\ under the names of the libraries that it loads at
run time are never loaded, even with Wine told to prefer such native DLLs;
nor is one that a manifest planted beside the executable (or a .local
folder) would bring in.

The libraries that the executable imports are loaded by the system before
the program's first instruction; on Windows they are all on the KnownDLLs
list, which is never searched. Wine has no such list, so those names (and
what they load in turn) are planted in Dlls\\ only; the test checks that
VekDll.exe imports nothing else than the stand-in program used to learn them."""

import re
import shutil
import struct
import unittest

from vek import pe
from vek.harness.commands import stop
from vek.harness.facts import BUILD, PAYLOADS
from vek.harness.prefix import remove_payloads
from prefixcase import PrefixCase

PAYLOAD_NAMES = set(PAYLOADS)


def imports(exe):
    return sorted(name.lower() for name in pe.Image(exe).imports())


def loaded(log_path):
    names = set()
    for line in log_path.read_text(errors="replace").splitlines():
        found = re.search(r'Loaded L"[^"]*\\\\([^"\\\\]+\.dll)"', line, re.IGNORECASE)
        if found:
            names.add(found.group(1).lower())
    return names


# A manifest planted beside the executable, as Windows reads one for an
# executable without its own: it names uxtheme.dll (which the window loads,
# and which is no KnownDLL) as a file of the program, to be loaded from the
# executable's folder.
PLANTED_MANIFEST = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="VekDll" version="1.0.0.0" processorArchitecture="x86"/>
  <file name="uxtheme.dll"/>
</assembly>
"""


def without_manifest(exe, copy):
    """Writes to `copy` the executable `exe` with its manifest resource
    (type 24) renamed to type 25, which nothing reads: a program without a
    manifest of its own, otherwise the same."""
    image = bytearray(exe.read_bytes())
    struct.pack_into("<I", image, pe.Image(exe).resource_type_fields()[24], 25)
    copy.write_bytes(image)


class DllSearch(PrefixCase, unittest.TestCase):

    def whole_run(self, folder, **options):
        """Starts VekDll.exe from `folder`, installs, and closes it from the
        summary. `options` as for Prefix.start (stderr, the environment)."""
        remove_payloads(self.system, self.wine_zlib)
        try:
            self.install("VekDll.exe", cwd=folder, **options)
        finally:
            stop(self.process)
            self.prefix.kill()

    def learn(self, exe, whole_run):
        folder = self.prefix.drive_c / f"Learn {exe}"
        folder.mkdir()
        shutil.copy(BUILD / exe, folder)
        log_path = self.prefix.path / f"{exe}.log"
        if whole_run:
            with open(log_path, "wb") as log:
                self.whole_run(folder, stderr=log, WINEDEBUG="+loaddll")
        else:
            log_path.write_bytes(self.prefix.wine(exe, cwd=folder, timeout=600,
                                                  WINEDEBUG="+loaddll").stderr)
        return loaded(log_path)

    def test_libraries_planted_beside_the_executable_are_never_loaded(self):
        self.assertEqual(imports(BUILD / "vekimports.exe"), imports(BUILD / "VekDll.exe"))
        at_load = self.learn("vekimports.exe", whole_run=False)
        during_run = self.learn("VekDll.exe", whole_run=True) - PAYLOAD_NAMES
        at_run_time = during_run - at_load
        # Under Wine, the shell's copy brings in oleaut32.dll and actxprxy.dll.
        self.assertTrue(at_run_time, "libraries that Windows loads on the program's behalf after the start")

        folder = self.prefix.drive_c / "Downloads"
        (folder / "Dlls").mkdir(parents=True)
        shutil.copy(BUILD / "VekDll.exe", folder)
        for name in at_run_time:
            shutil.copy(BUILD / "vekmarker.dll", folder / name)
        for name in during_run:
            shutil.copy(BUILD / "vekmarker.dll", folder / "Dlls" / name)
        markers = self.prefix.drive_c / "vek-markers"
        shutil.rmtree(markers, ignore_errors=True)

        self.whole_run(folder, WINEDLLOVERRIDES=",".join(sorted(during_run)) + "=n,b")
        planted_and_loaded = sorted(p.name for p in markers.iterdir()) if markers.exists() else []
        self.assertEqual([], planted_and_loaded)
        print(f"\nplanted beside the executable and not loaded: {', '.join(sorted(at_run_time))}")

    def test_a_manifest_or_local_folder_planted_beside_the_executable_loads_nothing(self):
        # Each row: the executable, and a stand-in uxtheme.dll with what
        # would make Windows load it from beside the executable. The last
        # row is the control: a copy without a manifest of its own does
        # read the planted one.
        rows = [("manifest", "VekDll.exe", False), (".local folder", "VekDll.exe", False),
                ("manifest, for a copy without its own", "control", True)]
        markers = self.prefix.drive_c / "vek-markers"
        for planted, exe, loads in rows:
            with self.subTest(planted):
                folder = self.prefix.drive_c / f"Planted {planted}"
                folder.mkdir()
                if exe == "control":
                    without_manifest(BUILD / "VekDll.exe", folder / "VekDll.exe")
                else:
                    shutil.copy(BUILD / "VekDll.exe", folder)
                beside = folder / "VekDll.exe.local" if planted == ".local folder" else folder
                beside.mkdir(exist_ok=True)
                shutil.copy(BUILD / "vekmarker.dll", beside / "uxtheme.dll")
                if planted != ".local folder":
                    (folder / "VekDll.exe.manifest").write_text(PLANTED_MANIFEST)
                shutil.rmtree(markers, ignore_errors=True)
                log_path = self.prefix.path / f"planted {planted}.log"
                with open(log_path, "wb") as log:
                    self.whole_run(folder, stderr=log, WINEDEBUG="+loaddll",
                                   WINEDLLOVERRIDES="uxtheme=n,b")
                self.assertIn("uxtheme.dll", loaded(log_path), "the run loads uxtheme.dll")
                marked = sorted(p.name for p in markers.iterdir()) if markers.exists() else []
                self.assertEqual(["uxtheme.dll"] if loads else [], marked)


if __name__ == "__main__":
    unittest.main()
