"""python -m vek.payload.validate DIR: checks that DIR holds the seven
payload DLLs as the installer carries them: each a 32-bit (PE32, Intel
80386) DLL with a version resource that names it (OriginalFilename), the
set closed under its imports, every DLL that a payload imports being
another payload or a library that every Windows has, and no function
imported that the oldest Windows the set runs on (FLOOR) lacks. Exits
non-zero, naming the file and the problem, at the first check that fails."""

import sys
from pathlib import Path

from vek import pe
from vek.productfacts import payload_names

# Libraries that are part of every Windows the installer runs on, so a
# payload may import them; anything else would have to travel with the set.
SYSTEM = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ws2_32.dll", "wsock32.dll",
    "crypt32.dll", "bcrypt.dll", "msvcrt.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
    "version.dll", "shlwapi.dll", "comctl32.dll", "comdlg32.dll", "winmm.dll", "rpcrt4.dll",
    "secur32.dll", "ntdll.dll",
}

# The oldest Windows that the executable and the payload set run on, as the
# builds pin it (_WIN32_WINNT): OpenSSL's locks and fibres need Vista.
FLOOR = "Windows Vista"
FLOOR_WINNT = "0x0600"

# Functions of the system libraries that Windows Vista lacks and that the
# toolchain's headers offer to the sources we build (OpenSSL, libxml2,
# libxslt, xmlsec, zlib, our own) once a newer _WIN32_WINNT lets them: the
# Windows that brought each, from the "Minimum supported client" of its page
# in Microsoft's Win32 API documentation. A new import past the floor that
# is not listed here still shows in the manifest's import lists.
PAST_FLOOR = {
    "TryAcquireSRWLockExclusive": "Windows 7",
    "TryAcquireSRWLockShared": "Windows 7",
    "GetCurrentProcessorNumberEx": "Windows 7",
    "GetLogicalProcessorInformationEx": "Windows 7",
    "GetNumaNodeProcessorMaskEx": "Windows 7",
    "ResolveLocaleName": "Windows 7",
    "K32EnumProcessModules": "Windows 7",
    "K32GetModuleFileNameExW": "Windows 7",
    "GetSystemTimePreciseAsFileTime": "Windows 8",
    "CreateFile2": "Windows 8",
    "GetOverlappedResultEx": "Windows 8",
    "PrefetchVirtualMemory": "Windows 8",
    "SetDefaultDllDirectories": "Windows 8",
    "AddDllDirectory": "Windows 8",
    "RemoveDllDirectory": "Windows 8",
    "WaitOnAddress": "Windows 8",
    "WakeByAddressSingle": "Windows 8",
    "WakeByAddressAll": "Windows 8",
    "GetAddrInfoExCancel": "Windows 8",
    "EventSetInformation": "Windows 8",
    "GetSystemWow64Directory2W": "Windows 10, version 1511",
    "SetThreadDescription": "Windows 10, version 1607",
    "GetDpiForWindow": "Windows 10, version 1607",
    "SetProcessDpiAwarenessContext": "Windows 10, version 1703",
}

# Runtime libraries of the compiler: a payload importing one would fail on a
# machine without MinGW, so they get their own message.
COMPILER_RUNTIME = ("libgcc_s", "libstdc++", "libwinpthread")


class Invalid(Exception):
    pass


def check_format(image):
    if image.machine != pe.I386:
        raise Invalid(f"{image.name}: not a 32-bit Intel 80386 PE file ({image.kind()})")
    if image.magic != pe.PE32:
        raise Invalid(f"{image.name}: not PE32 (optional header magic {image.magic:#06x})")
    if not image.is_dll:
        raise Invalid(f"{image.name}: an executable, not a DLL")


def check_version(image):
    """A file in a system folder must say what it is (Explorer's details, a
    support desk, an installer's version rules): a version resource whose
    OriginalFilename is its own name."""
    original = image.version_strings().get("OriginalFilename")
    if original is None:
        raise Invalid(f"{image.name}: has no version resource naming it (OriginalFilename)")
    if original.lower() != image.name.lower():
        raise Invalid(f"{image.name}: its version resource names it {original}")


def past_floor(table):
    """The imported functions that the floor lacks, as "library!function
    (Windows that brought it)"."""
    return [f"{library}!{function} ({PAST_FLOOR[function]})"
            for library, functions in table.items() for function in functions
            if function in PAST_FLOOR]


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
        try:
            image = pe.Image(found[name.lower()])
        except pe.NotPE as problem:
            raise Invalid(f"{name}: not a 32-bit Intel 80386 PE file ({problem.reason})") from None
        check_format(image)
        check_version(image)
        table = image.imports()
        late = past_floor(table)
        if late:
            raise Invalid(f"{name}: imports what {FLOOR} lacks: {', '.join(late)}")
        for imported in table:
            lower = imported.lower()
            if lower.startswith(COMPILER_RUNTIME):
                raise Invalid(f"{name}: imports the compiler runtime {imported}")
            if lower not in payload and lower not in SYSTEM:
                raise Invalid(f"{name}: imports {imported}, which is neither a payload "
                              "nor a Windows system library")


def main(argv):
    if len(argv) != 2:
        print("usage: tools/python -m vek.payload.validate DIR", file=sys.stderr)
        return 2
    try:
        validate(argv[1])
    except Invalid as problem:
        print(f"validate: {problem}", file=sys.stderr)
        return 1
    print(f"validate: {argv[1]}: the seven payload DLLs are PE32 Intel 80386 DLLs "
          f"and need nothing outside the set and {FLOOR}", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
