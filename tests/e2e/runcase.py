"""The steps of the tests that drive an installation run: the click on
INSTALAR and the panel's texts, the boxes, the maker's machine, and what a
finished run must have left in the target folder and the fault table."""

import os

from vek.harness.commands import wait_until
from vek.harness.facts import BTN_OK, PAYLOADS, PNL_AGUARDE, TEXTS, payload_folder
from vek.harness.prefix import digest, landing_folders, partial_files, partial_targets
from vek.harness.winprobe import box_texts, controls, cp1252
from prefixcase import PrefixCase


def progress_texts(names):
    return [f"{n} / 7  [ {name.upper()} ]" for n, name in enumerate(names, 1)]


def progress(seen):
    """The panel texts seen, but the wait panel's own."""
    return [text for text in seen if cp1252(text) != TEXTS["wait"]]


class RunCase(PrefixCase):
    """PrefixCase with the steps of an installation run."""

    def click_install(self):
        """Clicks INSTALAR and returns a function giving the panel texts seen."""
        window = self.probe.dump(self.title)
        watch = self.probe.watch(self.title, PNL_AGUARDE)
        self.display.click_control(window, BTN_OK)
        return watch

    def wait_for_progress(self):
        """Waits until the wait panel shows a progress text; returns it."""
        def shown():
            text = self.probe.panel_text(self.title)
            return text if " / 7  [ " in text else None
        text = wait_until(shown, 300, 0.1)
        self.assertTrue(text, "the panel never showed the progress")
        return text

    def box(self, name=None):
        box = self.probe.wait_box(300)
        if name:
            self.screenshot(name, box["screen"])
        icons = [c for c in controls(box).values()
                 if c["class"].lower() == "static" and not c["text"]]
        return cp1252(box["text"]), box_texts(box), len(icons)

    def start_on_makers_machine(self):
        """Starts the installer on a machine named vek-note: a UTS namespace
        with that host name, and a new wineserver started inside it, so that
        Wine reads the name anew."""
        self.prefix.kill()
        self.launch(wrap=["unshare", "--uts", "sh", "-c", 'hostname vek-note && exec "$@"', "sh"])
        # The probe joins only once the program's own wineserver (and its boot,
        # which reads the host name) runs inside the namespace.
        self.assertTrue(self.display.wait_window(self.title, 300), "the title keeps the bitness")
        return self.probe.ready(self.title)

    def assertCarriedInstalled(self, target=None):
        """The success box, the program's end, and every payload in the
        target folder (by default the system folder) as the executable
        carries it (zlib1.dll in the system folder: Wine's own)."""
        _, texts, _ = self.box()
        self.assertEqual([TEXTS["success"]], texts)
        self.dismiss()
        self.assertExits()
        for name in PAYLOADS:
            if target or name != "zlib1.dll":
                self.assertEqual(digest(payload_folder() / name),
                                 digest((target or self.system) / name), name)
        return texts

    def assertOnlyPayloadsAdded(self, before, target=None):
        """The target folder (by default the system folder) holds nothing but
        the names in `before` and payloads holding the carried bytes: no
        landing folder, nothing that a copy brought along."""
        target = target or self.system
        added = sorted(set(os.listdir(target)) - set(before))
        self.assertEqual([], [name for name in added if name not in PAYLOADS], "added to the target")
        for name in added:
            self.assertEqual(digest(payload_folder() / name), digest(target / name), name)
        self.assertEqual([], [name for name in landing_folders(target) if name not in before])

    def record_run(self, scenario, expected, seen, target=None, partial=0):
        """A row of the fault table: no partial file in the staging folder or
        in the target folder (by default the system folder; `partial` more
        seen earlier), no replaced target."""
        partial += partial_files(self.staging, payload_folder()) + partial_targets(
            target or self.system, payload_folder(), [self.wine_zlib])
        self.record(f"{scenario} ({self.ARCH})", expected, seen, partial)
