"""Folders of any name and length, under Wine in both prefixes, in a locale
whose ANSI code page is 1252 (Brazilian Portuguese, UTF-8): VekDll.exe started
from a folder named with characters outside that code page (Japanese, Greek,
an emoji), or from a folder so deep that the paths of its staging files are
longer than 260 characters, installs all the payloads and leaves the staging
files in Dlls\\ beside it."""

import subprocess
import unittest

from vek.harness.facts import PAYLOADS, TEXTS, payload_folder
from vek.harness.prefix import Prefix, digest, partial_files
from prefixcase import PrefixCase

LOCALE = "pt_BR.UTF-8"


def setUpModule():
    generated = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower()
    if "pt_br.utf8" not in generated.split():
        raise AssertionError(f"the {LOCALE} locale is missing: tools/setup-debian.sh makes it")


class LocalePrefix(Prefix):
    """A prefix whose Wine processes all run in LOCALE."""

    def env(self, **extra):
        return super().env(LANG=LOCALE, LC_ALL=LOCALE, **extra)


class Paths(PrefixCase):
    PREFIX = LocalePrefix

    def install_from(self, folder, scenario):
        """Runs VekDll.exe from `folder` through a whole installation, started
        by its Windows path as the shell starts it, and adds the fault
        table's row."""
        self.fresh_folder(folder)
        exe = self.prefix.windows_path(folder / "VekDll.exe")
        self.assertEqual([TEXTS["success"]], self.install(exe, cwd=folder))
        payloads = payload_folder()
        staging = folder / "Dlls"
        self.assertEqual(sorted(PAYLOADS), sorted(p.name for p in staging.iterdir()))
        for name in PAYLOADS:
            if name != "zlib1.dll":
                self.assertEqual(digest(payloads / name), digest(self.system / name), name)
        self.record(f"{scenario} ({self.ARCH})", "success, staging inside it", "success",
                    partial_files(staging, payloads))

    def test_a_folder_named_in_other_scripts(self):
        self.install_from(self.prefix.drive_c / "Pasta 日本 ção" / "Φάκελος Ελληνικά" / "📦 Instalação",
                          "Japanese, Greek, emoji folder")

    def test_staging_paths_longer_than_260_characters(self):
        # The deepest folder that Windows starts a program from: its path
        # within MAX_PATH (259 characters and the NUL), as ShellExecuteEx and
        # the current folder require. Wine 10 refuses a longer one as Windows
        # does ("File not found"), where Wine 8 started it all the same. Every
        # path that the program makes there is longer: the staging folder
        # (over CreateDirectory's 248) and each staged file (over 260).
        folder = self.prefix.drive_c.joinpath(
            *[f"pasta de nome comprido numero {i:02}" for i in range(7)], "pasta final 7")
        self.assertEqual(259 - 1, len(self.prefix.windows_path(folder / "VekDll.exe")))
        shortest = min(len(self.prefix.windows_path(folder / "Dlls" / name)) for name in PAYLOADS)
        self.assertGreater(shortest, 260)
        self.install_from(folder, f"staging paths of {shortest}+ characters")


class Paths64(Paths, unittest.TestCase):
    ARCH = "win64"


class Paths32(Paths, unittest.TestCase):
    ARCH = "win32"


if __name__ == "__main__":
    unittest.main()
