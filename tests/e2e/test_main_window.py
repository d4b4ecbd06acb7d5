"""The main window under Wine, driven by keys, inspected from inside Wine:
layout, title by bitness, focus and keyboard rules, the staging folder (the
one that cannot be created is tested with the run that it breaks, in
test_install_run)."""

import os
import unittest

from vek.harness.commands import wait_until
from vek import pe
from vek.harness.facts import BTN_OK, BTN_SAIR, FACTS, PNL_AGUARDE, TEXTS
from vek.harness.prefix import mappings
from vek.harness.winprobe import assert_keys_ignored, controls
from prefixcase import PrefixCase

# The designed layout: name -> (parent, [left, top, width, height], text, visible).
LAYOUT = {
    "Panel1": (None, [0, 0, 391, 76], "", True),
    "Bevel1": ("Panel1", [80, 9, 153, 57], "", True),
    "Bevel2": ("Panel1", [232, 9, 153, 57], "", True),
    "PnlAguarde": ("Panel1", [78, 9, 307, 57], TEXTS["wait"].decode("cp1252"), False),
    "BtnOk": ("Panel1", [82, 11, 149, 53], TEXTS["install"].decode("cp1252"), True),
    "BtnSair": ("Panel1", [234, 11, 149, 53], TEXTS["exit"].decode("cp1252"), True),
    "Panel2": ("Panel1", [6, 9, 67, 57], "", True),
    "Image1": ("Panel2", [6, 2, 52, 52], "", True),
}
ID = FACTS["controls"]
# The controls with windows of their own, which the probe reads; the form
# paints the others (frames, plain panels, the logo) at their places.
WINDOWED = ("PnlAguarde", "BtnOk", "BtnSair")
WHITE = (255, 255, 255)
WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_THICKFRAME, WS_SYSMENU = 0x20000, 0x10000, 0x40000, 0x80000


def in_form(name):
    """Where a control of LAYOUT lies in the form's client area."""
    parent, (left, top, width, height), _, _ = LAYOUT[name]
    while parent:
        parent, (parent_left, parent_top, _, _), _, _ = LAYOUT[parent]
        left, top = left + parent_left, top + parent_top
    return [left, top, width, height]


class MainWindow(PrefixCase):
    """Tests run in a new 64-bit and a new 32-bit prefix (classes below)."""

    FOLDER = "Teste"

    def test_window_is_laid_out_as_designed(self):
        window = self.start()
        self.screenshot("main-window", window["frame"])
        self.assertEqual(self.title, window["title"])
        self.assertEqual(self.title, window["owner"], "owned by the application's window")
        self.assertEqual([391, 76], window["client"])
        self.assertTrue(window["style"] & WS_SYSMENU)
        self.assertFalse(window["style"] & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME))
        # Centred on the desktop.
        x, y, w, h = window["frame"]
        sw, sh = window["screen_size"]
        self.assertLessEqual(abs(x + w / 2 - sw / 2), 1)
        self.assertLessEqual(abs(y + h / 2 - sh / 2), 1)

        found = controls(window["form"])
        self.assertEqual(sorted(ID[name] for name in WINDOWED), sorted(found))
        for name in WINDOWED:
            _, rect, text, visible = LAYOUT[name]
            control = found[ID[name]]
            with self.subTest(control=name):
                self.assertEqual(in_form(name), control["rect"])
                self.assertEqual(text, control["text"])
                self.assertEqual(visible, control["visible"])
                self.assertTrue(control["enabled"])
        # The painted ones, by their pixels: a lowered bevel's top left and
        # bottom left corners; the logo's white corner and its coloured middle.
        bx, by = found[BTN_OK]["screen"][:2]
        origin = (bx - LAYOUT["BtnOk"][1][0], by - LAYOUT["BtnOk"][1][1])
        client = self.display.pixels(*origin, 391, 76)
        # The scheme's colours, from the outer panel: its lowered bevel's
        # shadow, then one pixel of the face colour; the light is white.
        shadow, face = client[0][0], client[1][1]
        self.assertTrue(all(s < f for s, f in zip(shadow, face)), (shadow, face))
        for name in LAYOUT:
            if name in WINDOWED:
                continue
            left, top, width, height = in_form(name)
            with self.subTest(control=name):
                if name == "Image1":
                    self.assertEqual(WHITE, client[top][left])
                    self.assertNotEqual(WHITE, client[top + height // 2][left + width // 2])
                else:
                    self.assertEqual((shadow, WHITE), (client[top][left], client[top + height - 1][left]))

        # PnlAguarde lies beneath both buttons (children are listed topmost first).
        order = [c["id"] for c in window["form"]["children"]]
        self.assertLess(order.index(BTN_OK), order.index(PNL_AGUARDE))
        self.assertLess(order.index(BTN_SAIR), order.index(PNL_AGUARDE))
        self.assertTrue(found[BTN_OK]["focused"], "the focus starts on INSTALAR")

        self.assertTrue((self.folder / "Dlls").is_dir(), "the staging folder is created")
        # The payload set is mapped from the file, not read in at every start.
        resources = pe.Image(self.exe).sections()[".rsrc"].raw_offset
        mapped = set().union(*mappings(self.exe).values())
        self.assertTrue(any(first <= resources < end for first, end in mapped), (resources, mapped))
        self.display.key(self.title, "Escape")
        self.assertExits()

    def assertFocusMovesTo(self, control_id, key):
        self.display.key(self.title, key)
        self.assertTrue(wait_until(
            lambda: controls(self.probe.dump(self.title)["form"])[control_id]["focused"], 120),
            f"{key} did not move the focus to control {control_id}")

    def test_tab_moves_the_focus_between_the_two_buttons(self):
        self.start()
        self.assertFocusMovesTo(BTN_SAIR, "Tab")
        self.assertFocusMovesTo(BTN_OK, "Tab")
        self.assertFocusMovesTo(BTN_SAIR, "shift+Tab")
        # Enter presses the focused button: here, SAIR.
        self.display.key(self.title, "Return")
        self.assertExits()

    def test_escape_does_nothing_while_the_buttons_are_disabled(self):
        self.start()
        self.assertTrue(self.probe.enable(self.title, BTN_OK, False))
        self.assertTrue(self.probe.enable(self.title, BTN_SAIR, False))
        window = self.probe.dump(self.title)
        self.screenshot("buttons-disabled", window["frame"])
        assert_keys_ignored(self.display, self.probe, self.title, "Escape")

        self.assertTrue(self.probe.enable(self.title, BTN_SAIR, True))
        assert_keys_ignored(self.display, self.probe, self.title, "shift+Escape")
        self.display.key(self.title, "Escape")
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
        self.display.key(self.title, "Escape")
        self.assertExits()


class MainWindow64(MainWindow, unittest.TestCase):
    ARCH = "win64"


class MainWindow32(MainWindow, unittest.TestCase):
    ARCH = "win32"


if __name__ == "__main__":
    unittest.main()
