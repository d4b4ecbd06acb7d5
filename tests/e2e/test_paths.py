"""Folders of any name and length, under Wine in both prefixes, in a locale
whose ANSI code page is 1252 (Brazilian Portuguese, UTF-8): VekDll.exe started
from a folder named with characters outside that code page (Japanese, Greek,
an emoji), or from a folder whose path is longer than 260 characters,
installs all the payloads and leaves the staging files in Dlls\\ beside it."""

import shutil
import subprocess
import unittest
from pathlib import Path

from winelab import (BUILD, PAYLOADS, Display, Prefix, Probe, controls, cp1252, digest,
                     payload_folder, stop, wait_for_exit)

LOCALE = "pt_BR.UTF-8"
BTN_OK = 5
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
        self.remove_payloads()

    def tearDown(self):
        if self.process:
            stop(self.process)
        self.prefix.kill()
        self.remove_payloads()

    def remove_payloads(self):
        for name in PAYLOADS:
            path = self.system / name
            if path.exists() and not (name == "zlib1.dll" and digest(path) == self.wine_zlib):
                path.unlink()

    @staticmethod
    def texts(box):
        return [cp1252(c["text"]) for c in controls(box).values()
                if c["class"].lower() == "static" and c["text"]]

    def install_from(self, folder):
        """Runs VekDll.exe from `folder` through a whole installation."""
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        shutil.copy(BUILD / "VekDll.exe", folder / "VekDll.exe")
        self.process = self.prefix.start(folder / "VekDll.exe")
        self.assertTrue(self.probe.wait(self.TITLE, 120), "no window")
        # Nothing to tell at the start: the staging folder was made.
        self.assertEqual([], [self.texts(box) for box in self.probe.boxes()])
        x, y, w, h = controls(self.probe.dump(self.TITLE)["form"])[BTN_OK]["screen"]
        DISPLAY.click(x + w // 2, y + h // 2)
        box = self.probe.wait_box(180)
        DISPLAY.key(box["text"], "Return")
        self.assertEqual([SUCCESS], self.texts(box))
        self.assertEqual(0, wait_for_exit(self.process, 60))

        payloads = payload_folder()
        staging = folder / "Dlls"
        self.assertEqual(sorted(PAYLOADS), sorted(p.name for p in staging.iterdir()))
        for name in PAYLOADS:
            self.assertEqual(digest(payloads / name), digest(staging / name), name)
            if name != "zlib1.dll":
                self.assertEqual(digest(payloads / name), digest(self.system / name), name)

    def test_a_folder_named_in_other_scripts(self):
        self.install_from(self.prefix.drive_c / "Pasta 日本 ção" / "Φάκελος Ελληνικά" / "📦 Instalação")

    def test_a_folder_path_longer_than_260_characters(self):
        folder = self.prefix.drive_c.joinpath(*[f"pasta de nome comprido numero {i:02}" for i in range(8)])
        self.assertGreater(len(self.prefix.windows_path(folder)) + len("\\Dlls\\libxml2.dll"), 260)
        self.install_from(folder)


class Paths64(Paths, unittest.TestCase):
    ARCH = "win64"
    TITLE = "VEK DLLS - 64 BITS"


class Paths32(Paths, unittest.TestCase):
    ARCH = "win32"
    TITLE = "VEK DLLS - 32 BITS"


if __name__ == "__main__":
    unittest.main()
