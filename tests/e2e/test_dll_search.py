"""The library search of VekDll.exe under Wine: DLLs dropped beside the
executable and into Dlls\\ under the names of the libraries that it loads at
run time are never loaded, even with Wine told to prefer such native DLLs.

The libraries that the executable imports are loaded by the system before
the program's first instruction; on Windows they are all on the KnownDLLs
list, which is never searched. Wine has no such list, so those names (and
what they load in turn) are planted in Dlls\\ only; the test checks that
VekDll.exe imports nothing else than the stand-in program used to learn them."""

import re
import shutil
import unittest

import harnesspath  # noqa: F401
from commands import run, stop
from facts import BUILD, PAYLOADS
from prefix import remove_payloads
from prefixcase import PrefixCase

PAYLOAD_NAMES = set(PAYLOADS)


def imports(exe):
    table = run(["i686-w64-mingw32-objdump", "-p", str(exe)]).stdout.decode()
    return sorted(name.lower() for name in re.findall(r"DLL Name: (\S+)", table))


def loaded(log_path):
    names = set()
    for line in log_path.read_text(errors="replace").splitlines():
        found = re.search(r'Loaded L"[^"]*\\\\([^"\\\\]+\.dll)"', line, re.IGNORECASE)
        if found:
            names.add(found.group(1).lower())
    return names


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


if __name__ == "__main__":
    unittest.main()
