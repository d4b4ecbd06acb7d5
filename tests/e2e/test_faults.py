"""Faults beyond the designed path, under Wine, each scripted and repeatable:
the outcome the program gives, nothing lost, nothing half-written. Each adds
a row to the fault table (scenario, expected, seen, partial files, replaced
targets) that the test command prints. The faults that the design itself
describes (a staging folder that cannot be created, refused copies, the
window closed during a run) are tested with the installation run, and
folders named in other scripts or longer than 260 characters in
test_paths; they add their rows from there."""

import os
import shutil
import signal
import unittest

import openhold
from winelab import (BTN_OK, BUILD, PAYLOADS, PNL_AGUARDE, TITLES, Display, Prefix, Probe,
                     Targets, box_texts, controls, dismiss, partial_files, payload_folder,
                     record_fault, run, stop, wait_for_exit, wait_until)

TITLE = TITLES["win64"]
SUCCESS = b"Arquivos copiados com \xeaxito !"


class Faults(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.display = Display()
        cls.addClassCleanup(cls.display.close)
        cls.prefix = Prefix("win64", cls.display)
        cls.probe = Probe(cls.prefix)
        cls.system = cls.prefix.system_folder

    @classmethod
    def tearDownClass(cls):
        cls.prefix.remove()

    def setUp(self):
        self.processes = []
        self.targets = Targets(self.system)

    def tearDown(self):
        for process in self.processes:
            stop(process)
        self.prefix.kill()
        for name in PAYLOADS:
            path = self.system / name
            if path.is_dir():
                shutil.rmtree(path)
            elif path.exists() and name not in self.targets.before:
                path.unlink()

    def replaced_targets(self):
        return self.targets.replaced()

    def record(self, scenario, expected, seen, partial, replaced):
        record_fault(scenario, expected, seen, partial, replaced)
        self.assertEqual(0, partial, f"{scenario}: partial files")
        self.assertEqual(0, replaced, f"{scenario}: replaced targets")

    def start(self, exe, cwd=None):
        process = self.prefix.start(exe, cwd)
        self.processes.append(process)
        return process

    def click(self, window):
        self.display.click_control(window, BTN_OK)

    def box_texts(self, seconds=300):
        box = self.probe.wait_box(seconds)
        return box, box_texts(box)

    def dismiss(self, box):
        dismiss(self.display, self.probe, box)

    def fresh_folder(self, name, exe=None):
        folder = self.prefix.drive_c / name
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        shutil.copy(exe or BUILD / "VekDll.exe", folder / "VekDll.exe")
        return folder

    def test_the_disk_fills_up_during_the_extraction(self):
        exe = BUILD / "VekDll.exe"
        mount = self.prefix.path / "small-disk"
        mount.mkdir(exist_ok=True)
        size_kb = exe.stat().st_size // 1024 + 2048  # the executable, then room for ~2 MB
        run(["mount", "-t", "tmpfs", "-o", f"size={size_kb}k", "tmpfs", str(mount)])
        drive = self.prefix.path / "dosdevices" / "d:"
        try:
            drive.symlink_to(mount)
            shutil.copy(exe, mount / "VekDll.exe")
            process = self.start(mount / "VekDll.exe")
            self.click(self.probe.ready(TITLE))
            box, texts = self.box_texts()
            self.dismiss(box)
            panel = controls(self.probe.dump(TITLE)["form"])[PNL_AGUARDE]
            self.display.key(TITLE, "alt+F4")
            self.assertEqual(0, wait_for_exit(process))
            self.assertEqual([b"Stream write error."], texts)
            self.assertTrue(panel["visible"], "the run stops where it stands")
            written = sorted(p.name for p in (mount / "Dlls").iterdir())
            self.record("disk fills up mid-extraction", "Stream write error., complete files only",
                        f"{texts[0].decode()} {len(written)} complete",
                        partial_files(mount / "Dlls", payload_folder()), self.replaced_targets())
        finally:
            self.prefix.kill()
            drive.unlink(missing_ok=True)
            run(["umount", str(mount)], check=False)

    def test_killed_during_the_extraction_then_started_again(self):
        if not openhold.available():
            self.skipTest("this machine cannot hold a file's opening (fanotify permission events)")
        folder = self.fresh_folder("Interrompido")
        staging = folder / "Dlls"
        process = self.start(folder / "VekDll.exe")
        window = self.probe.ready(TITLE)
        # The defined point: the creation of a temporary file once a payload
        # is already in place, that is, in the middle of the extraction.
        hold = openhold.OpenHold(staging, lambda name: name not in PAYLOADS and any(
            (staging / payload).is_file() for payload in PAYLOADS))
        try:
            self.click(window)
            self.assertTrue(hold.held.wait(300), "no temporary file was created after a payload")
            os.kill(process.pid, signal.SIGKILL)
            process.wait()
        finally:
            hold.release()
        self.prefix.kill()
        left = sorted(p.name for p in staging.iterdir())
        self.assertEqual([hold.held_name], [name for name in left if name not in PAYLOADS],
                         "the temporary file being written when the process was killed")
        complete = [name for name in left if name in PAYLOADS]
        self.assertTrue(complete, "the payloads placed before the kill stay")
        partial_after_kill = partial_files(staging, payload_folder()) - 1  # but the temporary

        process = self.start(folder / "VekDll.exe")
        self.click(self.probe.ready(TITLE))
        box, texts = self.box_texts()
        self.dismiss(box)
        self.assertEqual(0, wait_for_exit(process))
        self.assertEqual([SUCCESS], texts)
        self.record("killed mid-extraction, started again", "second run completes",
                    f"left {len(complete)} files and a temporary; then success",
                    partial_after_kill + partial_files(staging, payload_folder()),
                    self.replaced_targets())

    def test_folder_names_with_accented_letters(self):
        folder = self.fresh_folder("Instalação Ação")
        process = self.start(folder / "VekDll.exe")
        self.click(self.probe.ready(TITLE))
        box, texts = self.box_texts()
        self.dismiss(box)
        self.assertEqual(0, wait_for_exit(process))
        self.assertEqual([SUCCESS], texts)
        self.record("folder 'Instalação Ação'", "success, staging inside it",
                    "success", partial_files(folder / "Dlls", payload_folder()),
                    self.replaced_targets())

    def test_two_instances_started_together(self):
        folder = self.fresh_folder("Duas instancias")
        first = self.start(folder / "VekDll.exe")
        second = self.start(folder / "VekDll.exe")
        windows = wait_until(lambda: self.display.xdotool(
            "search", "--onlyvisible", "--name", f"^{TITLE}$").split()[1:], 300, 0.5)
        windows = self.display.xdotool("search", "--onlyvisible", "--name", f"^{TITLE}$").split()
        self.assertEqual(2, len(windows))
        # Side by side, then INSTALAR in each (client origin + the button's middle).
        for index, window in enumerate(windows):
            self.display.xdotool("windowmove", "--sync", window, str(40 + 480 * index), "200")
        # Where INSTALAR lies within a window's frame (Wine draws the frame, so
        # the X window and the Windows frame coincide).
        sample = self.probe.dump(TITLE)
        bx, by, bw, bh = controls(sample["form"])[BTN_OK]["screen"]
        offset = (bx - sample["frame"][0] + bw // 2, by - sample["frame"][1] + bh // 2)
        for window in windows:
            geometry = dict(line.strip().split(": ", 1) for line in self.display.xdotool(
                "getwindowgeometry", window).splitlines()[1:])
            x, y = (int(v) for v in geometry["Position"].split(" ")[0].split(","))
            self.display.click(x + offset[0], y + offset[1])
        # Both summaries, then both closed with Enter.
        boxes = wait_until(lambda: self.probe.boxes()[1:] and self.probe.boxes(), 300, 0.5)
        self.assertEqual(2, len(boxes or []), "two summaries")
        outcomes = [text for box in boxes for text in box_texts(box)]
        for box in boxes:
            self.dismiss(box)
        self.assertEqual(0, wait_for_exit(first))
        self.assertEqual(0, wait_for_exit(second))
        self.assertEqual([SUCCESS, SUCCESS], outcomes)
        self.record("two instances started together", "both succeed", "both succeed",
                    partial_files(folder / "Dlls", payload_folder()), self.replaced_targets())


if __name__ == "__main__":
    unittest.main()
