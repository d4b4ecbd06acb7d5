"""Folders of any name and length, under Wine in both prefixes, in a locale
whose ANSI code page is 1252 (Brazilian Portuguese, UTF-8): VekDll.exe started
from a folder named with characters outside that code page (Japanese, Greek,
an emoji), or from a folder whose path is longer than 260 characters,
installs all the payloads and leaves the staging files in Dlls\\ beside it."""

import subprocess
import unittest

from facts import PAYLOADS, TEXTS, payload_folder
from prefix import Prefix, digest, partial_files
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
        """Runs VekDll.exe from `folder` through a whole installation, and
        adds the fault table's row."""
        self.fresh_folder(folder)
        self.assertEqual([TEXTS["success"]], self.install(folder / "VekDll.exe"))
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

    def test_a_folder_path_longer_than_260_characters(self):
        folder = self.prefix.drive_c.joinpath(*[f"pasta de nome comprido numero {i:02}" for i in range(8)])
        length = len(self.prefix.windows_path(folder)) + len("\\Dlls\\libxml2.dll")
        self.assertGreater(length, 260)
        self.install_from(folder, f"staging paths of {length} characters")


class Paths64(Paths, unittest.TestCase):
    ARCH = "win64"


class Paths32(Paths, unittest.TestCase):
    ARCH = "win32"


if __name__ == "__main__":
    unittest.main()
