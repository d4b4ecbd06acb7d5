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

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools" / "link"))
import align_resources  # noqa: E402

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


def sections(image):
    """{name: (virtual address, raw size, raw offset)} and the checksum."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    count = struct.unpack_from("<H", image, pe + 6)[0]
    table = pe + 24 + struct.unpack_from("<H", image, pe + 20)[0]
    found = {}
    for entry in range(table, table + 40 * count, 40):
        name = image[entry:entry + 8].rstrip(b"\0").decode()
        address, raw_size, raw_offset = struct.unpack_from("<III", image, entry + 12)
        found[name] = (address, raw_size, raw_offset)
    return found, struct.unpack_from("<I", image, pe + 24 + 64)[0]


def checksum_of(image):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    blank = bytearray(image)
    struct.pack_into("<I", blank, pe + 24 + 64, 0)
    return align_resources.pe_checksum(blank)


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
        before, linked_checksum = sections(self.original)
        self.assertNotEqual(before[".rsrc"][2] % 4096, 0, "the linker's layout needs no move")
        self.assertEqual(checksum_of(self.original), linked_checksum, "the linker's own sum")

        copy = Path(shutil.copy(self.exe, self.tmp / "moved.exe"))
        subprocess.run([sys.executable, str(TOOL), str(copy)], check=True)
        moved = copy.read_bytes()
        after, checksum = sections(moved)
        self.assertEqual(after[".rsrc"][2] % 4096, 0)
        self.assertEqual(checksum, checksum_of(moved))
        self.assertEqual(before.keys(), after.keys())
        for name, (address, size, offset) in before.items():
            self.assertEqual(after[name][:2], (address, size), name)
            self.assertEqual(moved[after[name][2]:after[name][2] + size],
                             self.original[offset:offset + size], name)
        self.assertEqual(os.stat(copy).st_mode, os.stat(self.exe).st_mode)
        # A second run finds nothing to move.
        self.assertIs(align_resources.aligned(moved), moved)

    def test_refuses_layouts_it_cannot_move(self):
        pe = struct.unpack_from("<I", self.original, 0x3C)[0]
        signed = bytearray(self.original)
        struct.pack_into("<II", signed, pe + 24 + 96 + 8 * 4, len(signed), 8)
        cases = [
            ("not an executable", b"\x7fELF" + bytes(100), "no MZ header"),
            ("signed", bytes(signed), "signature"),
            ("cut short", self.original[:pe + 40], "cut short"),
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
