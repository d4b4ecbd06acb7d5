"""Faults under Wine, each scripted and repeatable: the outcome the program
gives, nothing lost, nothing half-written. Prints a table at the end:
scenario, expected, seen, partial files, replaced targets."""

import os
import shutil
import signal
import subprocess
import time
import unittest
from pathlib import Path

from winelab import (BUILD, PAYLOADS, Display, Prefix, Probe, controls, cp1252, digest,
                     large_payload_build, payload_folder, run, stop, wait_for_exit)

TITLE = "VEK DLLS - 64 BITS"
BTN_OK, PNL_AGUARDE = 5, 4
SUCCESS = b"Arquivos copiados com \xeaxito !"
ROWS = []


class Faults(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.display = Display()
        cls.prefix = Prefix("win64", cls.display)
        cls.probe = Probe(cls.prefix)
        cls.system = cls.prefix.system_folder

    @classmethod
    def tearDownClass(cls):
        cls.prefix.remove()
        cls.display.close()
        widths = [34, 44, 44, 8, 8]
        print("\n" + " | ".join(h.ljust(w) for h, w in zip(
            ["scenario", "expected", "seen", "partial", "replaced"], widths)))
        for row in ROWS:
            print(" | ".join(str(cell)[:w].ljust(w) for cell, w in zip(row, widths)))

    def setUp(self):
        self.processes = []
        self.targets_before = self.target_state()

    def tearDown(self):
        for process in self.processes:
            stop(process)
        self.prefix.kill()
        for name in PAYLOADS:
            path = self.system / name
            if path.is_dir():
                shutil.rmtree(path)
            elif path.exists() and name not in self.targets_before:
                path.unlink()

    def target_state(self):
        return {name: ((self.system / name).stat().st_mtime_ns, digest(self.system / name))
                for name in PAYLOADS if (self.system / name).is_file()}

    def replaced_targets(self):
        after = self.target_state()
        return sum(1 for name, state in self.targets_before.items() if after.get(name) != state)

    def partial_files(self, staging, payloads):
        """Files under a payload's name that differ from it, and leftovers."""
        if not staging.is_dir():
            return 0
        count = 0
        for entry in staging.iterdir():
            if entry.name in PAYLOADS:
                count += entry.is_file() and digest(entry) != digest(payloads / entry.name)
            else:
                count += 1
        return count

    def record(self, scenario, expected, seen, partial, replaced):
        ROWS.append((scenario, expected, seen, partial, replaced))
        self.assertEqual(0, partial, f"{scenario}: partial files")
        self.assertEqual(0, replaced, f"{scenario}: replaced targets")

    def start(self, exe, cwd=None):
        process = subprocess.Popen(["wine", str(exe)], cwd=str(cwd or Path(exe).parent),
                                   env=self.prefix.env(),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def click(self, window):
        x, y, w, h = controls(window["form"])[BTN_OK]["screen"]
        self.display.click(x + w // 2, y + h // 2)

    def box_texts(self, seconds=120):
        box = self.probe.wait_box(seconds)
        texts = [cp1252(c["text"]) for c in controls(box).values()
                 if c["class"].lower() == "static" and c["text"]]
        return box, texts

    def dismiss(self, box):
        self.display.key(box["text"], "Return")
        time.sleep(1)

    def fresh_folder(self, name, exe=None):
        folder = self.prefix.drive_c / name
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        shutil.copy(exe or BUILD / "VekDll.exe", folder / "VekDll.exe")
        return folder

    def test_staging_folder_cannot_be_created(self):
        folder = self.fresh_folder("Somente leitura")
        (folder / "Dlls").write_bytes(b"not a folder")
        process = self.start(folder / "VekDll.exe")
        box, texts = self.box_texts(60)
        told = texts[0].startswith(b"N\xc3O FOI POSS\xcdVEL CRIAR O DIRET\xd3RIO\r")
        self.dismiss(box)
        self.assertTrue(self.probe.wait(TITLE))
        self.click(self.probe.dump(TITLE))
        box, texts = self.box_texts()
        seen = texts[0].decode("cp1252")
        self.dismiss(box)
        self.display.key(TITLE, "alt+F4")
        self.assertEqual(0, wait_for_exit(process, 60))
        self.assertTrue(told)
        self.assertTrue(seen.startswith('Cannot create file "') and seen.endswith("."), seen)
        self.record("staging folder cannot be created", "dialog, then file creation error",
                    "dialog; " + seen.split("\\")[-1], 0, self.replaced_targets())

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
            self.assertTrue(self.probe.wait(TITLE))
            self.click(self.probe.dump(TITLE))
            box, texts = self.box_texts()
            self.dismiss(box)
            panel = controls(self.probe.dump(TITLE)["form"])[PNL_AGUARDE]
            self.display.key(TITLE, "alt+F4")
            self.assertEqual(0, wait_for_exit(process, 60))
            self.assertEqual([b"Stream write error."], texts)
            self.assertTrue(panel["visible"], "the run stops where it stands")
            written = sorted(p.name for p in (mount / "Dlls").iterdir())
            self.record("disk fills up mid-extraction", "Stream write error., complete files only",
                        f"{texts[0].decode()} {len(written)} complete",
                        self.partial_files(mount / "Dlls", payload_folder()), self.replaced_targets())
        finally:
            self.prefix.kill()
            drive.unlink(missing_ok=True)
            run(["umount", str(mount)], check=False)

    def test_killed_during_the_extraction_then_started_again(self):
        # Payloads of 16 MB each, so that the extraction lasts long enough to be interrupted.
        build, payloads = large_payload_build(BUILD.parent / "faults", 16)
        folder = self.fresh_folder("Interrompido", build / "VekDll.exe")
        staging = folder / "Dlls"
        process = self.start(folder / "VekDll.exe")
        self.assertTrue(self.probe.wait(TITLE, 120))
        self.click(self.probe.dump(TITLE))
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline and not any(
                p.name.startswith("vek") for p in staging.iterdir()):
            time.sleep(0.002)
        os.kill(process.pid, signal.SIGKILL)
        process.wait()
        self.prefix.kill()
        after_kill = sorted(p.name for p in staging.iterdir())
        partial_after_kill = sum(1 for p in staging.iterdir() if p.name in PAYLOADS
                                 and digest(p) != digest(payloads / p.name))

        process = self.start(folder / "VekDll.exe")
        self.assertTrue(self.probe.wait(TITLE, 120))
        self.click(self.probe.dump(TITLE))
        box, texts = self.box_texts(300)
        self.dismiss(box)
        self.assertEqual(0, wait_for_exit(process, 60))
        self.assertEqual([SUCCESS], texts)
        self.assertTrue(any(name.startswith("vek") for name in after_kill),
                        "killed while a temporary file was being written")
        self.record("killed mid-extraction, started again", "second run completes",
                    f"left {len(after_kill)} files; then success",
                    partial_after_kill + self.partial_files(staging, payloads),
                    self.replaced_targets())

    def test_a_folder_path_longer_than_260_characters(self):
        relative = Path(*["pasta de nome comprido numero %02d" % i for i in range(8)])
        folder = self.fresh_folder(str(relative))
        path = self.prefix.windows_path(folder)
        self.assertGreater(len(path) + len("\\Dlls\\libxml2.dll"), 260)
        process = self.start(folder / "VekDll.exe")
        self.assertTrue(self.probe.wait(TITLE))
        self.assertEqual([], self.probe.boxes(), "the staging folder is made without a word")
        self.click(self.probe.dump(TITLE))
        box, texts = self.box_texts()
        self.dismiss(box)
        self.assertEqual(0, wait_for_exit(process, 60))
        self.assertEqual([SUCCESS], texts)
        self.assertEqual(sorted(PAYLOADS), sorted(p.name for p in (folder / "Dlls").iterdir()))
        self.record("executable path over 260 characters", "success, staging inside it",
                    f"success from {len(path)} characters",
                    self.partial_files(folder / "Dlls", payload_folder()), self.replaced_targets())

    def test_folder_names_with_accented_letters(self):
        folder = self.fresh_folder("Instalação Ação")
        process = self.start(folder / "VekDll.exe")
        self.assertTrue(self.probe.wait(TITLE))
        self.click(self.probe.dump(TITLE))
        box, texts = self.box_texts()
        self.dismiss(box)
        self.assertEqual(0, wait_for_exit(process, 60))
        self.assertEqual([SUCCESS], texts)
        self.record("folder 'Instalação Ação'", "success, staging inside it",
                    "success", self.partial_files(folder / "Dlls", payload_folder()),
                    self.replaced_targets())

    def test_two_instances_started_together(self):
        folder = self.fresh_folder("Duas instancias")
        first = self.start(folder / "VekDll.exe")
        second = self.start(folder / "VekDll.exe")
        deadline = time.monotonic() + 120
        windows = []
        while time.monotonic() < deadline and len(windows) < 2:
            windows = self.display.xdotool("search", "--onlyvisible", "--name", f"^{TITLE}$").split()
            time.sleep(0.5)
        self.assertEqual(2, len(windows))
        # Side by side, then INSTALAR in each (client origin + the button's middle).
        for index, window in enumerate(windows):
            self.display.xdotool("windowmove", "--sync", window, str(40 + 480 * index), "200")
        time.sleep(1)
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
        outcomes = []
        for _ in range(2):
            box, texts = self.box_texts()
            outcomes += texts
            self.dismiss(box)
        self.assertEqual(0, wait_for_exit(first, 60))
        self.assertEqual(0, wait_for_exit(second, 60))
        self.assertEqual([SUCCESS, SUCCESS], outcomes)
        self.record("two instances started together", "both succeed", "both succeed",
                    self.partial_files(folder / "Dlls", payload_folder()), self.replaced_targets())

    def refuse(self, *names):
        """A folder of the payload's name in the target: its copy cannot land."""
        for name in names:
            (self.system / name).mkdir()

    def test_copies_refused_for_two_files(self):
        self.refuse("libxmlsec.dll", "iconv.dll")
        folder = self.fresh_folder("Recusa")
        process = self.start(folder / "VekDll.exe")
        self.assertTrue(self.probe.wait(TITLE))
        self.click(self.probe.dump(TITLE))
        seen = []
        for _ in range(3):
            box, texts = self.box_texts()
            seen += texts
            self.dismiss(box)
        self.assertEqual([b"N\xe3o foi possivel copiar o arquivo:\r\n\r\nLIBXMLSEC.DLL",
                          b"N\xe3o foi possivel copiar o arquivo:\r\n\r\nICONV.DLL",
                          b"Alguns arquivos n\xe3o foram copiados.\r\nTente executar como administrador."],
                         seen)
        self.assertIsNone(process.poll(), "the window stays open")
        self.display.key(TITLE, "Escape")
        self.assertEqual(0, wait_for_exit(process, 60))
        self.record("copy refused for two files", "two warnings, advice, window stays",
                    "two warnings, advice, window stayed",
                    self.partial_files(folder / "Dlls", payload_folder()), self.replaced_targets())

    def test_window_closed_during_a_run(self):
        self.refuse("midas.dll")  # without a failure, success would close it anyway
        folder = self.fresh_folder("Fechada")
        process = self.start(folder / "VekDll.exe")
        self.assertTrue(self.probe.wait(TITLE))
        window = self.probe.dump(TITLE)
        self.click(window)
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            text = controls(self.probe.dump(TITLE)["form"])[PNL_AGUARDE]["text"]
            if text.startswith(("1 / 7", "2 / 7", "3 / 7")):
                break
        self.display.click_close_box(window["frame"])
        boxes = 0
        while process.poll() is None and boxes < 3:
            try:
                box, _ = self.box_texts(20)
            except AssertionError:
                break
            boxes += 1
            self.dismiss(box)
        self.assertEqual(0, wait_for_exit(process, 60))
        self.assertEqual(2, boxes, "the failure and the advice, then the program ended")
        self.record("window closed during a run", "run finishes its boxes, then exits",
                    "2 boxes, then exit", self.partial_files(folder / "Dlls", payload_folder()),
                    self.replaced_targets())


if __name__ == "__main__":
    unittest.main()
