"""What the payload tests under Wine share: the built payload folder (from
VEK_PAYLOAD_BUILT, the folder that tools/payload/build.sh printed), one
64-bit Wine prefix for the whole run, our 32-bit test programs built against
the payload's headers and import libraries, the reading of their output, and
this machine's own iconv (the C library's) for encodings Python lacks."""

import atexit
import ctypes
import ctypes.util
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
from vek import ROOT, harness

CC = "i686-w64-mingw32-gcc-win32"
# Where the tests write what they found; one folder per Wine, since the
# generations' code-page tables differ.
ARTIFACTS = Path(os.environ.get("VEK_PAYLOAD_ARTIFACTS", ROOT / "build" / "payload"))

_lab = {}


def payload_dir():
    value = os.environ.get("VEK_PAYLOAD_BUILT")
    if not value:
        raise unittest.SkipTest("VEK_PAYLOAD_BUILT is not set: run tools/payload/build.sh "
                                "and set it to the folder that it prints")
    folder = Path(value)
    if not (folder / "manifest.txt").is_file():
        raise AssertionError(f"VEK_PAYLOAD_BUILT={value} is not a built payload folder "
                             "(it has no manifest.txt)")
    return folder


def prefix():
    """The Wine prefix of this test run, made on first use."""
    if "prefix" not in _lab:
        display = harness.Display()
        try:
            _lab["prefix"] = harness.Prefix("win64", display)
        except BaseException:
            display.close()
            raise
        _lab["display"] = display
        atexit.register(_close)
    return _lab["prefix"]


def _close():
    _lab["prefix"].remove()
    _lab["display"].close()


PAYLOAD = harness.PAYLOADS


def install_set(payload):
    """Puts each of the seven DLLs that the prefix's 32-bit system folder
    lacks into it, as VekDll.exe installs them, so that programs run from
    any folder load the installed set; once per prefix."""
    if not _lab.get("installed"):
        for name in PAYLOAD:
            if not (prefix().system_folder / name).exists():
                shutil.copy(payload / name, prefix().system_folder / name)
        _lab["installed"] = True
    return prefix()


def client(payload, name):
    """A client program built from upstream's sources with the set
    (clients/ of the payload folder), copied alone into a folder of drive C,
    so that it can only use the installed set."""
    source = payload / "clients" / name
    if not source.is_file():
        raise AssertionError(f"{source} is missing: the payload was built without its clients")
    folder = Path(tempfile.mkdtemp(prefix="client-", dir=install_set(payload).drive_c))
    shutil.copy(source, folder / name)
    return folder / name


def build_program(source, name, payload, libraries):
    """Builds one of our test programs into a new folder of the prefix's
    drive C and returns its path."""
    folder = Path(tempfile.mkdtemp(prefix=name + "-", dir=prefix().drive_c))
    exe = folder / (name + ".exe")
    subprocess.run([CC, "-O1", "-Wall", "-static-libgcc", "-o", str(exe), str(source),
                    "-I", str(payload / "include"), "-L", str(payload / "lib"), *libraries],
                   check=True)
    return exe


def run_program(exe, timeout):
    """Runs a test program under Wine; returns (exit status, output, groups),
    where groups maps each group the program began to its failure lines."""
    result = prefix().wine(str(exe), timeout=timeout, check=False)
    output = result.stdout.decode(errors="replace") + result.stderr.decode(errors="replace")
    groups = {}
    for line in output.splitlines():
        begun = re.match(r"group (\S+)$", line)
        if begun:
            groups[begun.group(1)] = []
        failure = re.match(r"FAIL (\S+): (.*)$", line)
        if failure:
            groups.setdefault(failure.group(1), []).append(failure.group(2))
    return result.returncode, output, groups


class ProgramTest(unittest.TestCase):
    """Base of a test case whose checks run in one Wine program; each test
    method looks at one group of them."""

    output = ""
    groups = {}
    returncode = None

    def assertGroupPassed(self, name):
        self.assertIn(name, self.groups,
                      f"the program never reached the group {name}:\n{self.output}")
        self.assertEqual(self.groups[name], [], f"failures in {name}:\n{self.output}")

    def assertProgramFinished(self):
        self.assertRegex(self.output, r"\d+ passed, 0 failed", self.output)
        self.assertEqual(self.returncode, 0, self.output)


class NativeCodec:
    """An encoding of this machine's C library (its iconv), as the native
    programs convert it, for the encodings that Python has no codec for (the
    EBCDIC pages with the euro) or writes otherwise (UTF-7, whose optional
    direct characters the C library writes in base64). Strict: None where it
    refuses or stops short."""

    _libc = None

    def __init__(self, name):
        libc = NativeCodec._load()
        self.name = name
        self._decoder = libc.iconv_open(b"UTF-32LE", name.encode())
        self._encoder = libc.iconv_open(name.encode(), b"UTF-32LE")
        if self._decoder in (None, ctypes.c_void_p(-1).value) or \
                self._encoder in (None, ctypes.c_void_p(-1).value):
            raise LookupError(f"the C library's iconv has no {name}")

    @classmethod
    def _load(cls):
        if cls._libc is None:
            libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
            libc.iconv_open.restype = ctypes.c_void_p
            libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
            libc.iconv.restype = ctypes.c_size_t
            libc.iconv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p),
                                   ctypes.POINTER(ctypes.c_size_t), ctypes.POINTER(ctypes.c_char_p),
                                   ctypes.POINTER(ctypes.c_size_t)]
            cls._libc = libc
        return cls._libc

    def _convert(self, cd, data, flush):
        """The whole of data through cd from its initial state, and the
        shift state flushed when asked; None unless all of it converts."""
        libc, failed = self._libc, ctypes.c_size_t(-1).value
        room = ctypes.create_string_buffer(8 * len(data) + 16)
        in_p, in_left = ctypes.c_char_p(data), ctypes.c_size_t(len(data))
        out_p, out_left = ctypes.cast(room, ctypes.c_char_p), ctypes.c_size_t(len(room))
        libc.iconv(cd, None, None, None, None)
        done = libc.iconv(cd, ctypes.byref(in_p), ctypes.byref(in_left), ctypes.byref(out_p),
                          ctypes.byref(out_left))
        if done != 0 or in_left.value:
            return None
        if flush and libc.iconv(cd, None, None, ctypes.byref(out_p), ctypes.byref(out_left)) == failed:
            return None
        return room.raw[:len(room) - out_left.value]

    def decode(self, data):
        out = self._convert(self._decoder, data, False)
        return None if out is None else out.decode("utf-32-le")

    def encode(self, text):
        """The bytes of text, if they read back as text: the C library
        writes a few characters one way only (U+203E as the macron of the
        EBCDIC pages), which iconv.dll refuses."""
        if any(0xD800 <= ord(c) <= 0xDFFF for c in text):
            return None
        out = self._convert(self._encoder, text.encode("utf-32-le"), True)
        return out if out is not None and self.decode(out) == text else None


_native = {}


def native(name):
    """The NativeCodec of one name, made once."""
    if name not in _native:
        _native[name] = NativeCodec(name)
    return _native[name]
