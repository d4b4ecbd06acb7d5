"""What the staging folder Dlls\\ holds, and what lies under the program's
temporary names, under Wine: whatever it is, only the carried bytes reach
the target folder, with plain attributes, nothing else is copied or
deleted there, and no file outside the program's own is touched. Staged
files that are not the payload, swapped for another file, a link to a
folder or a folder during the run, held open by another program, or marked
hidden, system and read-only; the landing copy held by another program a
moment or for good; links and look-alike names where the sweeps look. Each
adds its row to the fault table, in both prefixes."""

import os
import shutil
import time
import unittest

from vek.harness import openhold
from vek.harness.facts import BTN_OK, PAYLOADS, TEXTS, payload_folder
from vek.harness.prefix import digest, remove_payloads
from runcase import RunCase

# The attributes that Wine keeps for a file: read-only as the Unix mode,
# hidden (2) and system (4) in this extended attribute.
DOS_ATTRIBUTES = "user.DOSATTRIB"


def plain(path):
    """True when the file has none of the read-only, hidden and system attributes."""
    marked = int(os.getxattr(path, DOS_ATTRIBUTES), 16) if DOS_ATTRIBUTES in os.listxattr(path) else 0
    return bool(path.stat().st_mode & 0o200) and not marked & 0x6


def real_folder(path):
    return path.is_dir() and not path.is_symlink()


def remove(path):
    """Removes a file, a link or a folder with what it holds."""
    shutil.rmtree(path) if real_folder(path) else path.unlink()


def tree(folder):
    """Every file under `folder` and its digest."""
    return {str(p.relative_to(folder)): digest(p) for p in folder.rglob("*") if p.is_file()}


class Staging(RunCase):
    FOLDER = "Staged"

    def setUp(self):
        super().setUp()
        self.before = os.listdir(self.system)

    def again(self):
        """Ready for another run in the same test: the program ended, and the
        system folder without our payloads."""
        self.prefix.kill()
        remove_payloads(self.system, self.wine_zlib)

    def require_holding(self):
        if not openhold.available():
            self.skipTest("this machine cannot hold a file's opening (fanotify permission events)")

    def stage_payload(self, name):
        """The carried `name` staged before the run, as an earlier run left it."""
        self.staging.mkdir(exist_ok=True)
        shutil.copy(payload_folder() / name, self.staging / name)
        return self.staging / name

    def finish(self):
        """The success box, the carried bytes in place, nothing else added
        to the system folder."""
        self.assertCarriedInstalled()
        self.assertOnlyPayloadsAdded(self.before)

    def record_placed(self, scenario, seen="carried bytes placed, success"):
        self.record_run(scenario, "carried bytes placed, success", seen)

    def test_staged_files_that_are_not_the_payload_never_reach_the_system_folder(self):
        # Planted before the run: another DLL's bytes, and random bytes of
        # the payload's exact size. The extraction keeps both as they are.
        self.staging.mkdir()
        other = (payload_folder() / "libxslt.dll").read_bytes()
        size = (payload_folder() / "iconv.dll").stat().st_size
        (self.staging / "libxml2.dll").write_bytes(other)
        (self.staging / "iconv.dll").write_bytes(os.urandom(size))
        self.start()
        self.click_install()()
        self.assertCarriedInstalled()
        self.assertOnlyPayloadsAdded(self.before)
        self.assertEqual(other, (self.staging / "libxml2.dll").read_bytes(), "staged file untouched")
        for planted in ("libxml2.dll", "iconv.dll"):  # the test's own, not partial files
            (self.staging / planted).unlink()
        for scenario in ("planted: another DLL's bytes", "planted: random, exact size"):
            self.record_run(scenario, "carried bytes placed, success", "carried bytes placed, success")

    def test_a_staged_name_swapped_during_the_run_never_reaches_the_system_folder(self):
        self.require_holding()
        # A folder of another user's, or one only administrators may read,
        # whose tree the shell would copy along.
        secret = self.prefix.drive_c / "Segredo"
        shutil.rmtree(secret, ignore_errors=True)
        (secret / "sub").mkdir(parents=True)
        (secret / "segredo.txt").write_text("segredo")
        (secret / "sub" / "outro.txt").write_text("outro")
        kept = tree(secret)

        rows = [("another DLL",
                 lambda swap: swap.write_bytes((payload_folder() / "libxml2.dll").read_bytes())),
                ("link to a folder", lambda swap: swap.symlink_to(secret)),
                ("a folder", lambda swap: shutil.copytree(secret, swap))]
        staged = self.staging / "libxslt.dll"
        for shape, make in rows:
            with self.subTest(shape):
                self.again()
                window = self.start()
                # The defined point: the first opening of the third payload's
                # staged file, after the extraction and before the fourth's
                # copy. libxslt.dll is swapped meanwhile, by a rename from
                # outside the watched folder (an opening in it would wait
                # for the held one).
                hold = openhold.OpenHold(self.staging, lambda name: name == "libxmlsec-openssl.dll")
                try:
                    self.display.click_control(window, BTN_OK)
                    self.assertTrue(hold.held.wait(300), "libxmlsec-openssl.dll was never opened")
                    make(self.folder / "swap")
                    if real_folder(self.folder / "swap"):
                        staged.unlink()
                    os.rename(self.folder / "swap", staged)
                finally:
                    hold.release()
                self.finish()
                self.assertEqual(kept, tree(secret), "the secret folder untouched")
                remove(staged)  # the test's own, not a partial file
                self.record_placed(f"staged swapped: {shape}")

    def test_a_staged_payload_held_open_or_marked_is_placed_plain(self):
        # libxml2.dll staged as an earlier run left it, then held open by
        # another program sharing nothing for the whole run, or marked
        # hidden, system and read-only.
        staged = self.stage_payload("libxml2.dll")
        windows = self.prefix.windows_path(staged)
        for shape in ("held, sharing nothing", "hidden, system, read-only"):
            with self.subTest(shape):
                self.again()
                if shape.startswith("held"):
                    release = self.probe.hold(windows, "exclusive")
                else:
                    release = None
                    for flag in ("+r", "+h", "+s"):  # Wine's attrib takes one at a time
                        self.prefix.wine("attrib", flag, windows)
                    self.assertFalse(plain(staged))
                try:
                    self.start()
                    self.click_install()()
                    self.finish()
                finally:
                    if release:
                        release()
                self.assertEqual(digest(payload_folder() / "libxml2.dll"), digest(staged))
                self.assertTrue(plain(self.system / "libxml2.dll"), "the placed file's attributes")
                self.record_placed(f"staged {shape}")

    def test_a_landing_copy_held_a_moment_is_placed_one_held_for_good_is_reported(self):
        self.require_holding()
        for moment in (True, False):
            with self.subTest("a moment" if moment else "for good"):
                self.again()
                window = self.start()
                # The defined point: the shell's first reading of libxml2.dll's
                # staged file, its copy then made in the landing folder.
                # Another program holds that copy meanwhile, as a virus
                # scanner holds a new file: open for reading and writing,
                # sharing all, as it must beside the shell's own opening.
                hold = openhold.OpenHold(self.staging, lambda name: name == "libxml2.dll",
                                         reads=True)
                try:
                    self.display.click_control(window, BTN_OK)
                    self.assertTrue(hold.held.wait(300), "libxml2.dll was never read")
                    [copy] = self.system.glob("vek*.tmp/libxml2.dll")
                    release = self.probe.hold(self.prefix.windows_path(copy), "shared")
                finally:
                    hold.release()
                if moment:
                    # The scenario's own length: the placing waits that long
                    # whatever the machine's speed.
                    time.sleep(2)
                    release()
                    self.finish()
                    self.record_placed("landing copy held 2 s")
                    continue
                _, texts, _ = self.box()
                self.assertEqual([TEXTS["refused"] % b"LIBXML2.DLL"], texts)
                self.dismiss()
                _, texts, _ = self.box()
                self.assertEqual([TEXTS["advice"]], texts)
                self.dismiss()
                # Let go: the next run places it, and the landing folder
                # left behind goes with its sweep.
                release()
                self.display.key(self.title, "Return")  # the focus is on INSTALAR
                self.finish()
                self.record_run("landing copy held for good",
                                "reported; let go, the next run places it",
                                "reported; let go, the next run placed it")

    def test_the_sweeps_never_touch_what_is_not_the_programs_own(self):
        # On the maker's machine, whose test folder any user can make:
        # links under the names of leftover landing folders and temporary
        # files, to another user's folder and file, and names that the
        # sweeps' pattern matches by their short names.
        target = self.prefix.drive_c / "DllsTeste"
        victim = self.prefix.drive_c / "Vitima"
        for folder in (target, victim):
            shutil.rmtree(folder, ignore_errors=True)
            folder.mkdir()
        (victim / "dados.txt").write_text("dados")
        (victim / "outro.txt").write_text("outro")
        self.staging.mkdir()
        planted = {target: ["vek1-1.tmp", "vekdados.tmpx"], self.staging: ["vek2-2.tmp", "vekdados.tmpx"]}
        (target / "vek1-1.tmp").symlink_to(victim)
        (target / "vekdados.tmpx").mkdir()
        (target / "vekdados.tmpx" / "dados.txt").write_text("look-alike")
        (self.staging / "vek2-2.tmp").symlink_to(victim / "outro.txt")
        (self.staging / "vekdados.tmpx").write_text("look-alike")
        kept = tree(victim)
        try:
            self.start_on_makers_machine()
            self.click_install()()
            self.assertCarriedInstalled(target)
            self.assertEqual(kept, tree(victim), "the victim's files untouched")
            for folder, names in planted.items():
                self.assertEqual(sorted(names + PAYLOADS), sorted(os.listdir(folder)), folder.name)
            self.assertOnlyPayloadsAdded(self.before)
            for folder, names in planted.items():  # the test's own
                for name in names:
                    remove(folder / name)
            self.record_run("sweeps: links, look-alike names",
                            "carried bytes placed, all untouched", "carried bytes placed, all untouched",
                            target)
        finally:
            shutil.rmtree(target, ignore_errors=True)


class Staging64(Staging, unittest.TestCase):
    ARCH = "win64"


class Staging32(Staging, unittest.TestCase):
    ARCH = "win32"


if __name__ == "__main__":
    unittest.main()
