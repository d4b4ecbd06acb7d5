"""vek.payload.validate against small sets of DLLs made here with the MinGW compilers:
it must accept a well-formed set and name the file and the fault of each
broken one. And the built set (VEK_PAYLOAD_BUILT) passes it, with a
zlib1.dll that exports zlib's whole interface."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from vek import pe
from vek.payload import validate

CC32 = "i686-w64-mingw32-gcc-win32"
CC64 = "x86_64-w64-mingw32-gcc-win32"
WINDRES = "i686-w64-mingw32-windres"


def compile_dll(folder, name, body="int f(void) { return 1; }", cc=CC32, link=(),
                original=""):
    """A DLL named `name`; a 32-bit one carries a version resource whose
    OriginalFilename is `original` (its own name by default; None: no resource)."""
    source = folder / (name + ".c")
    source.write_text(body + "\n")
    target = folder / name
    version = []
    if cc == CC32 and original is not None:
        script = folder / (name + ".rc")
        script.write_text('1 VERSIONINFO\nBEGIN\n BLOCK "StringFileInfo"\n BEGIN\n'
                          '  BLOCK "040904B0"\n  BEGIN\n'
                          f'   VALUE "OriginalFilename", "{original or name}"\n'
                          '  END\n END\nEND\n')
        version = [folder / (name + ".res.o")]
        subprocess.run([WINDRES, "-i", str(script), "-o", str(version[0])], check=True)
    subprocess.run([cc, "-shared", "-o", str(target), str(source), *map(str, version),
                    f"-Wl,--out-implib,{folder / (name + '.a')}", *map(str, link)],
                   check=True)
    return target


class ValidateTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="vek-validate-"))
        parts = cls.tmp / "parts"
        parts.mkdir()
        good = cls.tmp / "good"
        good.mkdir()
        # A set shaped like the real one: libxml2 imports iconv and zlib1,
        # libxslt imports libxml2, the engine imports the core.
        compile_dll(parts, "zlib1.dll", "int z(void) { return 1; }")
        compile_dll(parts, "iconv.dll", "int i(void) { return 2; }")
        compile_dll(parts, "midas.dll")
        compile_dll(parts, "libxml2.dll", "int z(void); int i(void);"
                    "int x(void) { return z() + i(); }",
                    link=[parts / "zlib1.dll", parts / "iconv.dll"])
        compile_dll(parts, "libxslt.dll", "int x(void); int s(void) { return x(); }",
                    link=[parts / "libxml2.dll"])
        compile_dll(parts, "libxmlsec.dll", "int s(void); int c(void) { return s(); }",
                    link=[parts / "libxslt.dll"])
        compile_dll(parts, "libxmlsec-openssl.dll",
                    "#include <windows.h>\nint c(void);"
                    "int e(void) { return c() + (int)GetTickCount(); }",
                    link=[parts / "libxmlsec.dll"])
        for name in validate.payload_names():
            shutil.copy(parts / name, good / name)
        cls.parts, cls.good = parts, good

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def variant(self, **replace):
        """A copy of the good set with some files replaced (None: removed)."""
        folder = Path(tempfile.mkdtemp(dir=self.tmp))
        for name in validate.payload_names():
            shutil.copy(self.good / name, folder / name)
        for name, path in replace.items():
            name = name.replace("_", "-") + ".dll"
            (folder / name).unlink()
            if path is not None:
                shutil.copy(path, folder / name)
        return folder

    def assertRejected(self, folder, *words):
        with self.assertRaises(validate.Invalid) as caught:
            validate.validate(folder)
        for word in words:
            self.assertIn(word, str(caught.exception))

    def test_accepts_a_closed_set_of_32_bit_dlls(self):
        validate.validate(self.good)

    def test_rejects_files_that_are_not_32_bit_dlls(self):
        x64 = compile_dll(self.tmp, "x64.dll", cc=CC64)
        exe = self.tmp / "program.exe"
        (self.tmp / "program.c").write_text("int main(void) { return 0; }\n")
        subprocess.run([CC32, "-o", str(exe), str(self.tmp / "program.c")], check=True)
        text = self.tmp / "text.dll"
        text.write_text("not a library\n")
        with self.subTest("64-bit DLL"):
            self.assertRejected(self.variant(zlib1=x64), "zlib1.dll", "32-bit", "x86-64")
        with self.subTest("executable"):
            self.assertRejected(self.variant(midas=exe), "midas.dll", "not a DLL")
        with self.subTest("not PE"):
            self.assertRejected(self.variant(iconv=text), "iconv.dll", "not a 32-bit")

    def test_rejects_a_file_that_does_not_say_what_it_is(self):
        unnamed = self.tmp / "unnamed"
        unnamed.mkdir()
        cases = [  # (case, the OriginalFilename it carries, what the refusal says)
            ("no version resource", None, "has no version resource naming it"),
            ("another file's name", "libxml2.dll", "its version resource names it libxml2.dll"),
        ]
        for case, original, said in cases:
            with self.subTest(case):
                dll = compile_dll(unnamed, "iconv.dll", original=original)
                self.assertRejected(self.variant(iconv=dll), "iconv.dll", said)

    def test_rejects_a_missing_payload(self):
        self.assertRejected(self.variant(libxslt=None), "libxslt.dll", "missing")

    def test_rejects_imports_from_outside_the_set(self):
        outside = self.tmp / "outside"
        outside.mkdir()
        compile_dll(outside, "helper.dll")
        leaky = compile_dll(outside, "midas.dll", "int f(void); int g(void) { return f(); }",
                            link=[outside / "helper.dll"])
        self.assertRejected(self.variant(midas=leaky), "midas.dll", "helper.dll")

    def test_names_an_imported_compiler_runtime(self):
        runtime = self.tmp / "runtime"
        runtime.mkdir()
        compile_dll(runtime, "libgcc_s_dw2-1.dll")
        needy = compile_dll(runtime, "iconv.dll", "int f(void); int g(void) { return f(); }",
                            link=[runtime / "libgcc_s_dw2-1.dll"])
        self.assertRejected(self.variant(iconv=needy), "iconv.dll", "compiler runtime")

    def test_rejects_a_function_that_the_floor_lacks(self):
        late = self.tmp / "late"
        late.mkdir()
        needy = compile_dll(late, "zlib1.dll", "#include <windows.h>\n"
                            "void t(SRWLOCK *lock) { TryAcquireSRWLockExclusive(lock); }")
        self.assertRejected(self.variant(zlib1=needy), "zlib1.dll", "Windows Vista",
                            "TryAcquireSRWLockExclusive (Windows 7)")

    def test_command_line_exit_status(self):
        script = [sys.executable, "-m", "vek.payload.validate"]
        good = subprocess.run([*script, str(self.good)],
                              capture_output=True, text=True)
        bad = subprocess.run([*script, str(self.variant(midas=None))],
                             capture_output=True, text=True)
        self.assertEqual(good.returncode, 0, good.stderr)
        self.assertNotEqual(bad.returncode, 0)
        self.assertIn("midas.dll", bad.stderr)


# What zlib1.dll exported when the set took Debian's binary build of it
# (libz-mingw-w64 1.2.13+dfsg-1): programs built against that one must find
# every function in the one built from the zlib source package.
ZLIB_EXPORTS = """
adler32 adler32_combine adler32_combine64 adler32_z compress compress2 compressBound crc32
crc32_combine crc32_combine64 crc32_combine_gen crc32_combine_gen64 crc32_combine_op crc32_z
deflate deflateBound deflateCopy deflateEnd deflateGetDictionary deflateInit2_ deflateInit_
deflateParams deflatePending deflatePrime deflateReset deflateResetKeep deflateSetDictionary
deflateSetHeader deflateTune get_crc_table gzbuffer gzclearerr gzclose gzclose_r gzclose_w
gzdirect gzdopen gzeof gzerror gzflush gzfread gzfwrite gzgetc gzgetc_ gzgets gzoffset
gzoffset64 gzopen gzopen64 gzopen_w gzprintf gzputc gzputs gzread gzrewind gzseek gzseek64
gzsetparams gztell gztell64 gzungetc gzvprintf gzwrite inflate inflateBack inflateBackEnd
inflateBackInit_ inflateCodesUsed inflateCopy inflateEnd inflateGetDictionary inflateGetHeader
inflateInit2_ inflateInit_ inflateMark inflatePrime inflateReset inflateReset2 inflateResetKeep
inflateSetDictionary inflateSync inflateSyncPoint inflateUndermine inflateValidate uncompress
uncompress2 zError zlibCompileFlags zlibVersion""".split()


class BuiltSetTest(unittest.TestCase):
    def setUp(self):
        if not os.environ.get("VEK_PAYLOAD_BUILT"):
            self.skipTest("VEK_PAYLOAD_BUILT is not set: run tools/payload/build.sh and set it "
                          "to the folder that it prints")
        self.folder = Path(os.environ["VEK_PAYLOAD_BUILT"])

    def test_the_built_set_is_valid_and_zlib1_exports_all_it_exported(self):
        validate.validate(self.folder)
        exported = set(pe.Image(self.folder / "zlib1.dll").exports())
        self.assertEqual(set(), set(ZLIB_EXPORTS) - exported)


if __name__ == "__main__":
    unittest.main()
