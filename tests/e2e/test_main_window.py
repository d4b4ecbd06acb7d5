"""The main window under Wine, driven by keys, inspected from inside Wine:
layout, title by bitness, focus and keyboard rules, the staging folder."""

import os
import shutil
import time
import unittest

from winelab import (ARTIFACTS, BUILD, Display, Prefix, Probe, controls, cp1252, stop,
                     wait_for_exit)

DISPLAY = None


def setUpModule():
    global DISPLAY
    DISPLAY = Display()


def tearDownModule():
    DISPLAY.close()


# The designed layout: id -> (name, parent id, [left, top, width, height], text, visible).
LAYOUT = {
    1: ("Panel1", 0, [0, 0, 391, 76], "", True),
    2: ("Bevel1", 1, [80, 9, 153, 57], "", True),
    3: ("Bevel2", 1, [232, 9, 153, 57], "", True),
    4: ("PnlAguarde", 1, [78, 9, 307, 57], "AGUARDE ...", False),
    5: ("BtnOk", 1, [82, 11, 149, 53], "INSTALAR", True),
    6: ("BtnSair", 1, [234, 11, 149, 53], "SAIR (ESC)", True),
    7: ("Panel2", 1, [6, 9, 67, 57], "", True),
    8: ("Image1", 7, [6, 2, 52, 52], "", True),
}
BTN_OK, BTN_SAIR, PNL_AGUARDE = 5, 6, 4
WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_THICKFRAME, WS_SYSMENU = 0x20000, 0x10000, 0x40000, 0x80000


class MainWindow:
    """Tests run in a new 64-bit and a new 32-bit prefix (mixins below)."""

    ARCH = None
    TITLE = None

    @classmethod
    def setUpClass(cls):
        cls.prefix = Prefix(cls.ARCH, DISPLAY)
        cls.probe = Probe(cls.prefix)
        print(f"\n{cls.ARCH} prefix created in {cls.prefix.creation_seconds:.0f} s")

    @classmethod
    def tearDownClass(cls):
        cls.prefix.remove()

    def setUp(self):
        # Every test starts the executable from a fresh folder of its own.
        self.folder = self.prefix.drive_c / f"Teste {self.id().split('.')[-1]}"
        shutil.rmtree(self.folder, ignore_errors=True)
        self.folder.mkdir()
        self.exe = self.folder / "VekDll.exe"
        shutil.copy(BUILD / "VekDll.exe", self.exe)
        self.process = None

    def tearDown(self):
        if self.process:
            stop(self.process)
        self.prefix.kill()

    def start(self):
        self.process = self.prefix.start(self.exe)
        self.assertTrue(self.probe.wait(self.TITLE), f"no window titled {self.TITLE}")
        time.sleep(0.5)
        return self.probe.dump(self.TITLE)

    def screenshot(self, name, frame):
        return DISPLAY.screenshot(ARTIFACTS / "screenshots" / f"{self.ARCH}-{name}.png", frame)

    def assertExits(self):
        self.assertTrue(self.probe.wait_gone(self.TITLE), "the window is still open")
        self.assertEqual(0, wait_for_exit(self.process), "the program did not end with code 0")

    def test_window_is_laid_out_as_designed(self):
        window = self.start()
        self.screenshot("main-window", window["frame"])
        self.assertEqual(self.TITLE, window["title"])
        self.assertEqual([391, 76], window["client"])
        self.assertTrue(window["style"] & WS_SYSMENU)
        self.assertFalse(window["style"] & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME))
        # Centred on the desktop.
        x, y, w, h = window["frame"]
        sw, sh = window["screen_size"]
        self.assertLessEqual(abs(x + w / 2 - sw / 2), 1)
        self.assertLessEqual(abs(y + h / 2 - sh / 2), 1)

        found = controls(window["form"])
        self.assertEqual(sorted(LAYOUT), sorted(found))
        for control_id, (name, parent, rect, text, visible) in LAYOUT.items():
            control = found[control_id]
            with self.subTest(control=name):
                self.assertEqual(rect, control["rect"])
                self.assertEqual(text, control["text"])
                self.assertEqual(visible, control["visible"])
                self.assertTrue(control["enabled"])
                siblings = window["form"]["children"] if parent == 0 else found[parent]["children"]
                self.assertIn(control_id, [c["id"] for c in siblings])

        # PnlAguarde lies beneath both buttons (children are listed topmost first).
        order = [c["id"] for c in found[1]["children"]]
        self.assertLess(order.index(BTN_OK), order.index(PNL_AGUARDE))
        self.assertLess(order.index(BTN_SAIR), order.index(PNL_AGUARDE))
        self.assertTrue(found[BTN_OK]["focused"], "the focus starts on INSTALAR")

        self.assertTrue((self.folder / "Dlls").is_dir(), "the staging folder is created")
        DISPLAY.key(self.TITLE, "Escape")
        self.assertExits()

    def test_tab_moves_the_focus_between_the_two_buttons(self):
        self.start()
        DISPLAY.key(self.TITLE, "Tab")
        self.assertTrue(controls(self.probe.dump(self.TITLE)["form"])[BTN_SAIR]["focused"])
        DISPLAY.key(self.TITLE, "Tab")
        self.assertTrue(controls(self.probe.dump(self.TITLE)["form"])[BTN_OK]["focused"])
        DISPLAY.key(self.TITLE, "shift+Tab")
        self.assertTrue(controls(self.probe.dump(self.TITLE)["form"])[BTN_SAIR]["focused"])
        # Enter presses the focused button: here, SAIR.
        DISPLAY.key(self.TITLE, "Return")
        self.assertExits()

    def test_escape_does_nothing_while_the_buttons_are_disabled(self):
        self.start()
        self.assertTrue(self.probe.enable(self.TITLE, BTN_OK, False))
        self.assertTrue(self.probe.enable(self.TITLE, BTN_SAIR, False))
        window = self.probe.dump(self.TITLE)
        self.screenshot("buttons-disabled", window["frame"])
        DISPLAY.key(self.TITLE, "Escape")
        time.sleep(1.5)
        self.assertIsNone(self.process.poll(), "Esc closed the program")
        self.assertTrue(self.probe.wait(self.TITLE, 1))

        self.assertTrue(self.probe.enable(self.TITLE, BTN_SAIR, True))
        DISPLAY.key(self.TITLE, "shift+Escape")
        time.sleep(1.5)
        self.assertIsNone(self.process.poll(), "Shift+Esc closed the program")
        DISPLAY.key(self.TITLE, "Escape")
        self.assertExits()

    def test_an_existing_staging_folder_is_left_untouched(self):
        staging = self.folder / "Dlls"
        staging.mkdir()
        (staging / "midas.dll").write_bytes(b"")
        os.utime(staging, (1_600_000_000, 1_600_000_000))
        self.start()
        self.assertEqual([], self.probe.boxes(), "no message")
        self.assertEqual(1_600_000_000, int(staging.stat().st_mtime))
        self.assertEqual(["midas.dll"], os.listdir(staging))
        DISPLAY.key(self.TITLE, "Escape")
        self.assertExits()

    def test_a_staging_folder_that_cannot_be_created_is_told_once(self):
        (self.folder / "Dlls").write_bytes(b"a file where the folder should be")
        self.process = self.prefix.start(self.exe)
        box = self.probe.wait_box()
        self.screenshot("staging-folder-dialog", box["screen"])
        self.assertEqual(self.TITLE, box["text"], "captioned with the application title")
        texts = [c for c in controls(box).values() if c["class"].lower() == "static"]
        expected = (b"N\xc3O FOI POSS\xcdVEL CRIAR O DIRET\xd3RIO\r"
                    + self.prefix.windows_path(self.folder).encode("cp1252") + b"\\Dlls\\")
        self.assertEqual([expected], [cp1252(t["text"]) for t in texts])
        buttons = [c for c in controls(box).values() if c["class"].lower() == "button"]
        self.assertEqual(["OK"], [b["text"] for b in buttons])
        self.assertLessEqual(box["screen"][2], 1024 // 2 + 100, "wrapped to half the screen")

        DISPLAY.key(self.TITLE, "Return")
        self.assertTrue(self.probe.wait(self.TITLE), "the main window comes after the dialog")
        self.assertEqual([], [b for b in self.probe.boxes()], "shown once")
        DISPLAY.key(self.TITLE, "Escape")
        self.assertExits()


class MainWindow64(MainWindow, unittest.TestCase):
    ARCH = "win64"
    TITLE = "VEK DLLS - 64 BITS"


class MainWindow32(MainWindow, unittest.TestCase):
    ARCH = "win32"
    TITLE = "VEK DLLS - 32 BITS"


if __name__ == "__main__":
    unittest.main()
