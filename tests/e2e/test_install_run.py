"""The installation run under Wine, driven by clicks and keys: extraction to
Dlls\\, copies into the system folder, progress, message boxes, failures.
The failures that the design describes (a staging folder that cannot be
created, refused copies, the window closed during a run) add their rows to
the fault table."""

import collections
import os
import shutil
import unittest

from vek.harness import openhold
from vek.harness.commands import run
from vek.harness.facts import BTN_OK, BTN_SAIR, PAYLOADS, PNL_AGUARDE, TEXTS, payload_folder
from vek.harness.fswatch import FolderWatch
from vek.harness.prefix import digest, kill_program, landing_folders, partial_targets
from vek.harness.winprobe import assert_keys_ignored, box_texts, controls, cp1252
from runcase import RunCase, progress, progress_texts


class InstallRun(RunCase):
    FOLDER = "Run"
    # The system's own descriptions, as Wine gives them.
    path_not_found = b"Path not found"
    access_denied = b"Access denied"

    def assertStagedAsBuilt(self):
        for name in PAYLOADS:
            self.assertTrue((self.staging / name).is_file(), name)
        self.assertEqual([], [p.name for p in self.staging.iterdir() if p.name not in PAYLOADS],
                         "nothing else in the staging folder")

    def test_installs_every_missing_payload_and_closes(self):
        names = FolderWatch(self.system)
        self.addCleanup(names.close)
        window = self.start()
        watch = self.click_install()
        self.wait_for_progress()
        self.screenshot("progress", window["frame"])
        seen = watch()
        caption, texts, icons = self.box("success-box")
        self.assertEqual(TEXTS["caption"], caption)
        self.assertEqual([TEXTS["success"]], texts)
        self.assertEqual(1, icons, "the information icon")
        self.assertEqual(progress_texts(PAYLOADS), progress(seen))
        self.assertStagedAsBuilt()
        for name in PAYLOADS:
            if name == "zlib1.dll":
                continue  # Wine's own, left in place
            self.assertEqual(digest(self.staging / name), digest(self.system / name), name)
        self.dismiss()
        self.assertExits()
        # A payload's name arrives by a rename only, never written in place:
        # then only the handle that renamed it closes (opened for writing,
        # which its flush before the rename needs; nothing was written).
        events = collections.defaultdict(list)
        for name, kind in names.events():
            events[name].append(kind)
        arrivals = {name: events[name] for name in PAYLOADS if name != "zlib1.dll"}
        self.assertEqual({name: ["moved_to", "close_write"] for name in arrivals}, arrivals)
        self.assertEqual([], landing_folders(self.system))
        self.record_run("target names watched (inotify)", "each arrives by a rename only",
                        f"{len(arrivals)} names, each by a rename")

    def test_everything_already_in_place_touches_nothing(self):
        old = 1_500_000_000
        for name in PAYLOADS:
            if name != "zlib1.dll":
                shutil.copy(payload_folder() / name, self.system / name)
            os.utime(self.system / name, (old, old))
        before = {name: digest(self.system / name) for name in PAYLOADS}
        self.start()
        seen = self.click_install()()
        self.assertEqual(progress_texts(PAYLOADS), progress(seen))
        _, texts, _ = self.box()
        self.assertEqual([TEXTS["success"]], texts)
        for name in PAYLOADS:
            self.assertEqual(before[name], digest(self.system / name), name)
            self.assertEqual(old, int((self.system / name).stat().st_mtime), name)
        self.dismiss()
        self.assertExits()

    def test_refused_copies_are_reported_then_a_second_run_copies_only_those(self):
        # A folder of the payload's name in the target: the copy cannot land.
        for name in ("libxmlsec.dll", "iconv.dll"):
            (self.system / name).mkdir()
        self.start()
        watch = self.click_install()
        for name in ("LIBXMLSEC.DLL", "ICONV.DLL"):
            caption, texts, icons = self.box(f"refused-{name.lower()}")
            self.assertEqual(TEXTS["caption"], caption)
            self.assertEqual([TEXTS["refused"] % name.encode()], texts)
            self.assertEqual(1, icons, "the warning icon")
            panel = controls(self.probe.dump(self.title)["form"])[PNL_AGUARDE]
            self.assertFalse(panel["visible"], "the panel is hidden while the message is open")
            self.dismiss()
        watch()
        caption, texts, _ = self.box("advice-box")
        self.assertEqual([TEXTS["advice"]],
                         texts)
        self.dismiss()
        window = self.probe.dump(self.title)
        found = controls(window["form"])
        self.assertTrue(found[BTN_OK]["enabled"] and found[BTN_SAIR]["enabled"])
        self.assertTrue(found[BTN_OK]["focused"])
        self.assertFalse(found[PNL_AGUARDE]["visible"])
        self.assertEqual(TEXTS["wait"], cp1252(found[PNL_AGUARDE]["text"]))
        self.assertIsNone(self.process.poll(), "the window stays open")
        self.record_run("copy refused for two files", "two warnings, advice, window stays",
                        "two warnings, advice, window stayed")

        placed = {name: (self.system / name).stat().st_mtime_ns for name in PAYLOADS
                  if name not in ("libxmlsec.dll", "iconv.dll")}
        for name in ("libxmlsec.dll", "iconv.dll"):
            shutil.rmtree(self.system / name)
        self.display.key(self.title, "Return")  # the focus is on INSTALAR
        _, texts, _ = self.box()
        self.assertEqual([TEXTS["success"]], texts)
        for name in ("libxmlsec.dll", "iconv.dll"):
            self.assertEqual(digest(self.staging / name), digest(self.system / name))
        for name, mtime in placed.items():
            self.assertEqual(mtime, (self.system / name).stat().st_mtime_ns, f"{name} copied again")
        self.dismiss()
        self.assertExits()

    def test_the_makers_machine_installs_into_the_test_folder(self):
        target = self.prefix.drive_c / "DllsTeste"
        shutil.rmtree(target, ignore_errors=True)
        self.start_on_makers_machine()
        self.click_install()()
        _, texts, _ = self.box("success-on-makers-machine")
        self.assertEqual([TEXTS["success"]], texts)
        for name in PAYLOADS:
            self.assertEqual(digest(self.staging / name), digest(target / name), name)
            if name != "zlib1.dll":
                self.assertFalse((self.system / name).exists(), f"{name} in the system folder")
        self.dismiss()
        self.assertExits()
        shutil.rmtree(target)

    def test_a_full_target_volume_places_what_fits_and_reports_the_rest(self):
        # The test folder on a volume with room for every payload but
        # libxmlsec-openssl.dll, which comes third.
        target = self.prefix.drive_c / "DllsTeste"
        fitting = [name for name in PAYLOADS if name != "libxmlsec-openssl.dll"]
        room = sum(-(-(payload_folder() / name).stat().st_size // 4096) * 4096 for name in fitting)
        self.assertLess(room + 128 * 1024, (payload_folder() / "libxmlsec-openssl.dll").stat().st_size)
        shutil.rmtree(target, ignore_errors=True)
        target.mkdir()
        run(["mount", "-t", "tmpfs", "-o", f"size={room // 1024 + 128}k", "tmpfs", str(target)])
        try:
            self.start_on_makers_machine()
            watch = self.click_install()
            _, texts, _ = self.box("full-volume-warning")
            self.assertEqual([TEXTS["refused"] % b"LIBXMLSEC-OPENSSL.DLL"],
                             texts)
            self.dismiss()
            watch()
            _, texts, _ = self.box()
            self.assertEqual([TEXTS["advice"]],
                             texts)
            self.dismiss()
            self.assertEqual(sorted(fitting), sorted(p.name for p in target.iterdir()),
                             "the others placed, nothing else left")
            partial = partial_targets(target, payload_folder())

            # Room made: the next run places the one still missing.
            run(["mount", "-o", "remount,size=16m", str(target)])
            self.display.key(self.title, "Return")  # the focus is on INSTALAR
            _, texts, _ = self.box()
            self.assertEqual([TEXTS["success"]], texts)
            self.dismiss()
            self.assertExits()
            for name in PAYLOADS:
                self.assertEqual(digest(self.staging / name), digest(target / name), name)
            self.record_run("full target volume, then room", "warning for the one too big; then 7/7",
                            f"warning, advice, {len(fitting)} placed; then 7/7", target, partial)
        finally:
            self.prefix.kill()
            run(["umount", str(target)], check=False)
            shutil.rmtree(target, ignore_errors=True)

    def test_killed_mid_copy_then_started_again(self):
        if not openhold.available():
            self.skipTest("this machine cannot hold a file's reading (fanotify permission events)")
        window = self.start()
        # The defined point: the second reading of libxmlsec.dll's staged
        # copy by the shell, whose first reading is then written to its copy.
        reads = collections.Counter()

        def second_read(name):
            reads[name] += 1
            return name == "libxmlsec.dll" and reads[name] == 2
        hold = openhold.OpenHold(self.staging, second_read, reads=True)
        try:
            self.display.click_control(window, BTN_OK)
            self.assertTrue(hold.held.wait(300), "libxmlsec.dll was never read twice")
            kill_program(self.process, self.exe)
        finally:
            hold.release()
        self.prefix.kill()
        self.assertEqual(digest(self.staging / "libxml2.dll"), digest(self.system / "libxml2.dll"))
        self.assertFalse((self.system / "libxmlsec.dll").exists(), "no part under the payload's name")
        left = landing_folders(self.system)
        self.assertEqual(1, len(left), "the killed copy's landing folder")
        cut = (self.system / left[0] / "libxmlsec.dll").stat().st_size
        self.assertLess(0, cut)
        self.assertLess(cut, (self.staging / "libxmlsec.dll").stat().st_size)
        partial = partial_targets(self.system, payload_folder(), [self.wine_zlib]) - len(left)

        self.start()
        self.click_install()()
        _, texts, _ = self.box()
        self.assertEqual([TEXTS["success"]], texts)
        self.dismiss()
        self.assertExits()
        self.record_run("killed mid-copy, started again", "no partial payload; second run completes",
                        f"cut at {cut} bytes in its landing folder; then success", partial=partial)

    def assertBroken(self, reason, name):
        """The run broken at the creation of the first payload's staged file,
        for `reason`: the stop box, then a window that only its title bar closes."""
        caption, texts, icons = self.box(name)
        path = self.prefix.windows_path(self.staging / "libxml2.dll").encode("cp1252")
        self.assertEqual(self.title.encode(), caption)
        self.assertEqual([TEXTS["cannot_create"] % (path, reason)], texts)
        self.assertEqual(1, icons, "the stop icon")
        self.dismiss()
        found = controls(self.probe.dump(self.title)["form"])
        self.assertFalse(found[BTN_OK]["enabled"] or found[BTN_SAIR]["enabled"])
        self.assertTrue(found[PNL_AGUARDE]["visible"])
        self.assertEqual(TEXTS["wait"], cp1252(found[PNL_AGUARDE]["text"]))
        assert_keys_ignored(self.display, self.probe, self.title, "Escape")
        self.display.key(self.title, "alt+F4")  # only the title bar closes it now
        self.assertExits()
        return texts[0]

    def test_a_staging_folder_that_cannot_be_created_is_told_once_then_breaks_the_run(self):
        (self.folder / "Dlls").write_bytes(b"a file where the folder should be")
        self.launch()
        box = self.probe.wait_box()
        self.screenshot("staging-folder-dialog", box["screen"])
        self.assertEqual(self.title, box["text"], "captioned with the application title")
        expected = TEXTS["no_staging"] % (self.prefix.windows_path(self.staging) + "\\").encode("cp1252")
        self.assertEqual([expected], box_texts(box))
        buttons = [c for c in controls(box).values() if c["class"].lower() == "button"]
        self.assertEqual(["OK"], [b["text"] for b in buttons])
        self.assertLessEqual(box["screen"][2], 1024 // 2 + 100, "wrapped to half the screen")
        self.dismiss()

        window = self.probe.ready(self.title)
        self.assertEqual([], self.probe.boxes(), "told once")
        self.display.click_control(window, BTN_OK)
        seen = self.assertBroken(self.path_not_found, "error-staging-folder-not-created")
        self.record_run("staging folder cannot be created", "dialog, then file creation error",
                        "dialog; " + seen.decode("cp1252").split("\\")[-1])

    def test_a_staging_folder_removed_after_start_up_breaks_the_run(self):
        self.start()
        shutil.rmtree(self.staging)
        self.click_install()()
        self.assertBroken(self.path_not_found, "error-no-staging-folder")
        self.assertFalse(self.staging.exists())

    def test_a_folder_named_like_a_payload_breaks_the_run_and_nothing_is_half_written(self):
        self.start()
        (self.staging / "libxml2.dll").mkdir()
        self.click_install()()
        self.assertBroken(self.access_denied, "error-folder-named-libxml2")
        self.assertEqual(["libxml2.dll"], os.listdir(self.staging), "no temporary or partial file")

    def test_closing_during_a_run_lets_it_finish_then_ends_the_program(self):
        # A failure, so that only the close request ends the program; on the
        # last payload, so that the close box is clicked seconds before the
        # failure's message disables the window, on any machine.
        (self.system / "iconv.dll").mkdir()
        self.start()
        watch = self.click_install()
        self.wait_for_progress()
        self.display.click_close_box(self.probe.dump(self.title)["frame"])
        _, texts, _ = self.box()
        self.assertTrue(self.probe.wait(self.title, 1), "the window stays during the run")
        self.assertEqual([TEXTS["refused"] % b"ICONV.DLL"], texts)
        self.assertEqual(progress_texts(PAYLOADS), progress(watch()),
                         "every payload visited")
        self.dismiss()
        _, texts, _ = self.box()
        self.assertEqual([TEXTS["advice"]], texts)
        self.dismiss()
        self.assertExits()
        for name in PAYLOADS:
            if name != "iconv.dll":
                self.assertTrue((self.system / name).is_file(), name)
        self.record_run("window closed during a run", "run finishes its boxes, then exits",
                        "2 boxes, then exit")


class InstallRun64(InstallRun, unittest.TestCase):
    ARCH = "win64"


class InstallRun32(InstallRun, unittest.TestCase):
    ARCH = "win32"


if __name__ == "__main__":
    unittest.main()
