#!/usr/bin/env python3
"""validate.py DIR: checks that DIR holds the seven payload DLLs as the
installer carries them: each a 32-bit (PE32, Intel 80386) DLL, and the set
closed under its imports, every DLL that a payload imports being another
payload or a library that every Windows has. Reads the files with binutils'
objdump. Exits non-zero, naming the file and the problem, at the first check
that fails."""

import subprocess
import sys
from pathlib import Path

OBJDUMP = "i686-w64-mingw32-objdump"



def payload_names():
    """The payloads' file names, in order, from the program's list of them
    (app/payload/Payloads.def: one VEK_PAYLOAD("name") row each)."""
    table = Path(__file__).resolve().parents[2] / "app" / "payload" / "Payloads.def"
    names = []
    for line in table.read_text().splitlines():
        line = line.strip()
        if line.startswith('VEK_PAYLOAD("') and line.endswith('")'):
            names.append(line[len('VEK_PAYLOAD("'):-len('")')])
    if not names:
        raise SystemExit(f"{table}: no payload rows found")
    return names


# Libraries that are part of every Windows the installer runs on, so a
# payload may import them; anything else would have to travel with the set.
SYSTEM = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ws2_32.dll", "wsock32.dll",
    "crypt32.dll", "bcrypt.dll", "msvcrt.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
    "version.dll", "shlwapi.dll", "comctl32.dll", "comdlg32.dll", "winmm.dll", "rpcrt4.dll",
    "secur32.dll", "ntdll.dll",
}

# Runtime libraries of the compiler: a payload importing one would fail on a
# machine without MinGW, so they get their own message.
COMPILER_RUNTIME = ("libgcc_s", "libstdc++", "libwinpthread")


class Invalid(Exception):
    pass


def headers(path):
    """objdump's private headers (-p) of a PE file, as text."""
    result = subprocess.run([OBJDUMP, "-p", str(path)], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, errors="replace")
    if result.returncode != 0:
        # The i686 objdump knows no other PE flavour; file(1) says what it is.
        kind = subprocess.run(["file", "-b", str(path)], stdout=subprocess.PIPE,
                              text=True, errors="replace").stdout.strip()
        raise Invalid(f"{path.name}: not a 32-bit Intel 80386 PE file ({kind})")
    return result.stdout


def check_format(path, text):
    if "file format pei-i386" not in text:
        kind = next((line.split("file format", 1)[1].strip() for line in text.splitlines()
                     if "file format" in line), "unknown")
        raise Invalid(f"{path.name}: not a 32-bit Intel 80386 PE file (format {kind})")
    fields = dict(line.split(None, 1) for line in text.splitlines()
                  if line and not line[0].isspace() and len(line.split(None, 1)) == 2)
    if fields.get("Magic", "").split()[0:1] != ["010b"]:
        raise Invalid(f"{path.name}: not PE32 (optional header magic {fields.get('Magic')})")
    # The flag names follow "Characteristics 0x...", one per tab-indented line.
    lines = text.splitlines()
    start = next(i for i, line in enumerate(lines) if line.startswith("Characteristics"))
    flags = []
    for line in lines[start + 1:]:
        if not line.startswith("\t"):
            break
        flags.append(line.strip())
    if "DLL" not in flags:
        raise Invalid(f"{path.name}: an executable, not a DLL")


def imports(text):
    return [line.split("DLL Name:", 1)[1].strip() for line in text.splitlines()
            if "DLL Name:" in line]


def validate(folder):
    folder = Path(folder)
    if not folder.is_dir():
        raise Invalid(f"{folder}: no such folder")
    found = {p.name.lower(): p for p in folder.iterdir()}
    names = payload_names()
    for name in names:
        if name.lower() not in found:
            raise Invalid(f"{name}: missing from {folder}")
    payload = {name.lower() for name in names}
    for name in names:
        path = found[name.lower()]
        text = headers(path)
        check_format(path, text)
        for imported in imports(text):
            lower = imported.lower()
            if lower.startswith(COMPILER_RUNTIME):
                raise Invalid(f"{name}: imports the compiler runtime {imported}")
            if lower not in payload and lower not in SYSTEM:
                raise Invalid(f"{name}: imports {imported}, which is neither a payload "
                              "nor a Windows system library")


def main(argv):
    if len(argv) != 2:
        print("usage: validate.py DIR", file=sys.stderr)
        return 2
    try:
        validate(argv[1])
    except Invalid as problem:
        print(f"validate: {problem}", file=sys.stderr)
        return 1
    print(f"validate: {argv[1]}: the seven payload DLLs are PE32 Intel 80386 DLLs "
          "and need nothing outside the set and Windows", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
