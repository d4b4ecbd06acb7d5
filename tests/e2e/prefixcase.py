"""The fixture of the tests that run the installer in a fresh Wine prefix:
one X display for a module's tests, one prefix and its probe for a class's,
and for each test its own processes, a system folder without our payloads
and, where the class names one, a fresh folder with a copy of VekDll.exe."""

import shutil
import unittest

from vek.harness.commands import stop, wait_for_exit
from vek.harness.display import Display
from vek.harness.facts import ARTIFACTS, BTN_OK, BUILD, TITLES, payload_folder
from vek.harness.prefix import Prefix, Targets, digest, remove_payloads
from vek.harness.winprobe import Probe, box_texts, dismiss
from faulttable import record_fault

_DISPLAYS = {}  # by module


def _module_display(module):
    """The display of a module's tests: made for its first class, closed once
    the module's tests have run."""
    if module not in _DISPLAYS:
        _DISPLAYS[module] = Display()
        unittest.addModuleCleanup(lambda: _DISPLAYS.pop(module).close())
    return _DISPLAYS[module]


class PrefixCase:
    """Mixed into a unittest.TestCase, before it. ARCH is the prefix's
    bitness, PREFIX its class; FOLDER, if set, names each test's own folder
    in drive_c ("FOLDER test_name", with VekDll.exe: self.folder, self.exe,
    self.staging)."""

    ARCH = "win64"
    PREFIX = Prefix
    FOLDER = None

    @classmethod
    def setUpClass(cls):
        cls.display = _module_display(cls.__module__)
        cls.prefix = cls.PREFIX(cls.ARCH, cls.display)
        cls.addClassCleanup(cls.prefix.remove)
        print(f"\n{cls.ARCH} prefix created in {cls.prefix.creation_seconds:.0f} s")
        cls.probe = Probe(cls.prefix)
        cls.title = TITLES[cls.ARCH]
        cls.system = cls.prefix.system_folder
        # Wine's own zlib1.dll is in the system folder already: it must stay.
        cls.wine_zlib = digest(cls.system / "zlib1.dll")

    def setUp(self):
        self.processes = []
        self.process = None
        if self.FOLDER:
            self.folder = self.fresh_folder(f"{self.FOLDER} {self.id().split('.')[-1]}")
            self.exe = self.folder / "VekDll.exe"
            self.staging = self.folder / "Dlls"
        remove_payloads(self.system, self.wine_zlib)
        self.targets = Targets(self.system)

    def tearDown(self):
        for process in self.processes:
            stop(process)
        self.prefix.kill()
        remove_payloads(self.system, self.wine_zlib)
        self.assertEqual(self.wine_zlib, digest(self.system / "zlib1.dll"), "Wine's zlib1.dll")

    def fresh_folder(self, folder):
        """`folder` (under drive_c unless absolute) made anew with a copy of
        the built VekDll.exe in it."""
        folder = self.prefix.drive_c / folder
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        shutil.copy(BUILD / "VekDll.exe", folder / "VekDll.exe")
        return folder

    def launch(self, exe=None, **options):
        """Starts `exe` (by default self.exe), stopped after the test if it
        still runs; returns its Popen. `options` as for Prefix.start."""
        self.process = self.prefix.start(exe or self.exe, **options)
        self.processes.append(self.process)
        return self.process

    def start(self, exe=None, **options):
        """Launches `exe`; returns the dump of its window once it is ready."""
        self.launch(exe, **options)
        return self.probe.ready(self.title)

    def install(self, exe=None, **options):
        """A whole run: starts `exe`, which tells nothing at its start,
        presses INSTALAR, closes the box that ends the run with Enter and sees
        the program end with 0; returns the box's texts."""
        window = self.start(exe, **options)
        self.assertEqual([], [box_texts(box) for box in self.probe.boxes()], "a box at the start")
        self.display.click_control(window, BTN_OK)
        box = self.probe.wait_box(300)
        self.dismiss(box)
        self.assertEqual(0, wait_for_exit(self.process), "the program did not end with code 0")
        return box_texts(box)

    def dismiss(self, box=None):
        """Presses Enter in `box` (by default the first box to appear), as a
        person would, and waits until it has closed."""
        dismiss(self.display, self.probe, box or self.probe.wait_box())

    def screenshot(self, name, frame):
        return self.display.screenshot(ARTIFACTS / "screenshots" / f"{self.ARCH}-{name}.png", frame)

    def assertExits(self):
        self.assertTrue(self.probe.wait_gone(self.title), "the window is still open")
        self.assertEqual(0, wait_for_exit(self.process), "the program did not end with code 0")

    def record(self, scenario, expected, seen, partial):
        """Adds a row to the fault table: the scenario left `partial` partial
        files, replaced as many targets as self.targets tells and left as
        many foreign bytes under a payload's name in the system folder; all
        must be none."""
        replaced = self.targets.replaced()
        foreign = self.targets.foreign(payload_folder())
        record_fault(scenario, expected, seen, partial, replaced, foreign)
        self.assertEqual((0, 0, 0), (partial, replaced, foreign),
                         f"{scenario}: partial files, replaced targets, foreign bytes placed")
