"""align_resources.py on small executables linked here with the MinGW tools:
the resources land on a page boundary in the file, every section's bytes and
the image in memory stay the same, the checksum stays valid, and layouts it
cannot move safely are refused, the file untouched."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from vek import ROOT, pe

TOOL = ROOT / "tools" / "link" / "align_resources.py"


def link(folder, name, resources=True, arch="i686"):
    source = folder / "main.c"
    source.write_text("int main(void) { return 0; }\n")
    objects = []
    if resources:
        (folder / "blob.bin").write_bytes(bytes(range(256)) * 20)
        (folder / "blob.rc").write_text('1 RCDATA "blob.bin"\n')
        objects.append(folder / f"blob-{arch}.o")
        subprocess.run([f"{arch}-w64-mingw32-windres", "blob.rc", "-O", "coff", "-o",
                        objects[0].name], cwd=folder, check=True)
    target = folder / name
    subprocess.run([f"{arch}-w64-mingw32-gcc-win32", "-s", str(source), *map(str, objects),
                    "-o", str(target)], check=True)
    return target


def sections(data):
    """{name: (virtual address, raw size, raw offset)}, the checksum field's
    value and the checksum that the bytes give."""
    image = pe.Image(data=data)
    found = {name: section[:3] for name, section in image.sections().items()}
    return found, image.stored_checksum, image.checksum()


class AlignResourcesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="vek-align-"))
        cls.exe = link(cls.tmp, "linked.exe")
        cls.original = cls.exe.read_bytes()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_moves_the_resources_to_a_page_and_keeps_every_section(self):
        before, linked_checksum, sum_before = sections(self.original)
        self.assertNotEqual(before[".rsrc"][2] % 4096, 0, "the linker's layout needs no move")
        self.assertEqual(sum_before, linked_checksum, "the linker's own sum")

        copy = Path(shutil.copy(self.exe, self.tmp / "moved.exe"))
        subprocess.run([sys.executable, str(TOOL), str(copy)], check=True)
        moved = copy.read_bytes()
        after, checksum, sum_after = sections(moved)
        self.assertEqual(after[".rsrc"][2] % 4096, 0)
        self.assertEqual(checksum, sum_after)
        self.assertEqual(before.keys(), after.keys())
        for name, (address, size, offset) in before.items():
            self.assertEqual(after[name][:2], (address, size), name)
            self.assertEqual(moved[after[name][2]:after[name][2] + size],
                             self.original[offset:offset + size], name)
        self.assertEqual(os.stat(copy).st_mode, os.stat(self.exe).st_mode)
        # A second run finds nothing to move, and leaves the file alone.
        inode = os.stat(copy).st_ino
        subprocess.run([sys.executable, str(TOOL), str(copy)], check=True)
        self.assertEqual((inode, moved), (os.stat(copy).st_ino, copy.read_bytes()))

    def test_refuses_layouts_it_cannot_move(self):
        image = pe.Image(data=self.original)
        signed = bytearray(self.original)
        struct.pack_into("<II", signed, image.directory_offset(pe.DIRECTORY_SECURITY),
                         len(signed), 8)
        cases = [
            ("not an executable", b"\x7fELF" + bytes(100), "not a PE file"),
            ("signed", bytes(signed), "signature"),
            ("cut short", self.original[:image.sections()[".rsrc"].raw_offset + 16], "cut short"),
            ("no resources", link(self.tmp, "bare.exe", resources=False).read_bytes(),
             "no resource section"),
            ("64-bit", link(self.tmp, "wide.exe", arch="x86_64").read_bytes(), "PE32"),
        ]
        for what, image, words in cases:
            with self.subTest(what):
                path = self.tmp / "refused.exe"
                path.write_bytes(image)
                run = subprocess.run([sys.executable, str(TOOL), str(path)],
                                     capture_output=True, text=True)
                self.assertNotEqual(run.returncode, 0)
                self.assertIn(words, run.stderr)
                self.assertEqual(path.read_bytes(), image)
                self.assertFalse((self.tmp / "refused.exe.aligning").exists())


if __name__ == "__main__":
    unittest.main()
