"""Folders of any name and length, under Wine in both prefixes, in a locale
whose ANSI code page is 1252 (Brazilian Portuguese, UTF-8): VekDll.exe started
from a folder named with characters outside that code page (Japanese, Greek,
an emoji), or from a folder whose path is longer than 260 characters,
installs all the payloads and leaves the staging files in Dlls\\ beside it."""

import shutil
import subprocess
import unittest

from winelab import (BTN_OK, BUILD, PAYLOADS, TITLES, Display, Prefix, Probe, Targets, box_texts,
                     digest, dismiss, partial_files, payload_folder, record_fault,
                     remove_payloads, stop, wait_for_exit)

LOCALE = "pt_BR.UTF-8"
SUCCESS = b"Arquivos copiados com \xeaxito !"
DISPLAY = None


def setUpModule():
    global DISPLAY
    generated = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower()
    if "pt_br.utf8" not in generated.split():
        raise AssertionError(f"the {LOCALE} locale is missing: tools/setup-debian.sh makes it")
    DISPLAY = Display()


def tearDownModule():
    if DISPLAY:
        DISPLAY.close()


class LocalePrefix(Prefix):
    """A prefix whose Wine processes all run in LOCALE."""

    def env(self, **extra):
        return super().env(LANG=LOCALE, LC_ALL=LOCALE, **extra)


class Paths:
    ARCH = None
    TITLE = None

    @classmethod
    def setUpClass(cls):
        cls.prefix = LocalePrefix(cls.ARCH, DISPLAY)
        cls.probe = Probe(cls.prefix)
        cls.system = cls.prefix.system_folder
        # Wine's own zlib1.dll is in the system folder already: it stays.
        cls.wine_zlib = digest(cls.system / "zlib1.dll")

    @classmethod
    def tearDownClass(cls):
        cls.prefix.remove()

    def setUp(self):
        self.process = None
        remove_payloads(self.system, self.wine_zlib)
        self.targets = Targets(self.system)

    def tearDown(self):
        if self.process:
            stop(self.process)
        self.prefix.kill()
        remove_payloads(self.system, self.wine_zlib)

    def install_from(self, folder, scenario):
        """Runs VekDll.exe from `folder` through a whole installation, and
        adds the fault table's row."""
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        shutil.copy(BUILD / "VekDll.exe", folder / "VekDll.exe")
        self.process = self.prefix.start(folder / "VekDll.exe")
        window = self.probe.ready(self.TITLE)
        # Nothing to tell at the start: the staging folder was made.
        self.assertEqual([], [box_texts(box) for box in self.probe.boxes()])
        DISPLAY.click_control(window, BTN_OK)
        box = self.probe.wait_box(300)
        dismiss(DISPLAY, self.probe, box)
        self.assertEqual([SUCCESS], box_texts(box))
        self.assertEqual(0, wait_for_exit(self.process))

        payloads = payload_folder()
        staging = folder / "Dlls"
        self.assertEqual(sorted(PAYLOADS), sorted(p.name for p in staging.iterdir()))
        for name in PAYLOADS:
            if name != "zlib1.dll":
                self.assertEqual(digest(payloads / name), digest(self.system / name), name)
        partial, replaced = partial_files(staging, payloads), self.targets.replaced()
        record_fault(f"{scenario} ({self.ARCH})", "success, staging inside it", "success",
                     partial, replaced)
        self.assertEqual((0, 0), (partial, replaced), "partial files, replaced targets")

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
    TITLE = TITLES[ARCH]


class Paths32(Paths, unittest.TestCase):
    ARCH = "win32"
    TITLE = TITLES[ARCH]


if __name__ == "__main__":
    unittest.main()
