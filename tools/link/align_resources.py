"""Moves the resource section of a linked 32-bit PE executable to a file offset
on a 4096-byte page boundary, in place.

Wine maps an image section straight from its file only when the section's
file offset is a multiple of the page size; any other section it reads into
fresh memory. The resources carry the payload set (megabytes), so at the
linker's 512-byte file alignment every start would read and copy all of it
before the program's first instruction. Moved to a page boundary they are
mapped, and only the pages the program reads are ever read. Windows maps
either layout; the image in memory is the same byte for byte.

Only the file layout changes: zero bytes are inserted before the section and
the file offsets of it and of the sections after it move by as many. Run
before signing: a signature would not cover the moved bytes.

Usage: align_resources.py EXECUTABLE"""

import array
import os
import struct
import sys

PAGE = 4096
SECTION_ENTRY = 40


class LayoutError(Exception):
    pass


def layout(image):
    """(checksum field's offset, section table entries' offsets, resource
    section's file offset) of a stripped, unsigned PE32 image. Raises
    LayoutError for any other file, whose layout this cannot move safely."""
    try:
        if image[:2] != b"MZ":
            raise LayoutError("not an executable: no MZ header")
        pe, = struct.unpack_from("<I", image, 0x3C)
        if image[pe:pe + 4] != b"PE\0\0":
            raise LayoutError("not a PE executable")
        sections, = struct.unpack_from("<H", image, pe + 6)
        symbols, = struct.unpack_from("<I", image, pe + 12)
        optional_size, = struct.unpack_from("<H", image, pe + 20)
        optional = pe + 24
        if struct.unpack_from("<H", image, optional)[0] != 0x10B:
            raise LayoutError("not a 32-bit (PE32) executable")
        directories, = struct.unpack_from("<I", image, optional + 92)
        # Data directory 4 holds the signature's file offset, 6 the debug
        # records, which hold file offsets too.
        for index, what in ((4, "a signature"), (6, "debug records")):
            if directories > index and struct.unpack_from("<I", image,
                                                          optional + 100 + 8 * index)[0]:
                raise LayoutError(f"the executable carries {what}; align it before adding them")
        if symbols:
            raise LayoutError("the executable carries a symbol table; link it stripped")
        table = optional + optional_size
        entries = [table + i * SECTION_ENTRY for i in range(sections)]
        names = [image[e:e + 8].rstrip(b"\0") for e in entries]
        if b".rsrc" not in names:
            raise LayoutError("the executable has no resource section")
        start, = struct.unpack_from("<I", image, entries[names.index(b".rsrc")] + 20)
    except struct.error:
        raise LayoutError("the executable is cut short") from None
    return optional + 64, entries, start


def aligned(image):
    """The image with its resource section at a page-aligned file offset (the
    same object when it is there already). Raises LayoutError as layout()."""
    checksum_at, entries, start = layout(image)
    padding = -start % PAGE
    if padding == 0:
        return image
    moved = bytearray(image[:start]) + bytes(padding) + image[start:]
    for entry in entries:
        raw_size, raw_offset = struct.unpack_from("<II", image, entry + 16)
        if raw_size and raw_offset >= start:
            struct.pack_into("<I", moved, entry + 20, raw_offset + padding)
    # A checksum that the linker wrote must stay true.
    if struct.unpack_from("<I", image, checksum_at)[0]:
        struct.pack_into("<I", moved, checksum_at, 0)
        struct.pack_into("<I", moved, checksum_at, pe_checksum(moved))
    return bytes(moved)


def pe_checksum(image):
    """The PE checksum of an image whose checksum field is zero: its 16-bit
    little-endian words added with end-around carry, plus its length."""
    words = array.array("H", bytes(image) + b"\0" * (len(image) % 2))
    if sys.byteorder != "little":
        words.byteswap()
    total = sum(words)
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    path = sys.argv[1]
    with open(path, "rb") as source:
        image = source.read()
    try:
        result = aligned(image)
    except LayoutError as error:
        raise SystemExit(f"{path}: {error}")
    if result is image:
        return
    # Written beside it and renamed over it: an interrupted run leaves the
    # linked executable as it was.
    temporary = path + ".aligning"
    with open(temporary, "wb") as out:
        out.write(result)
    os.chmod(temporary, os.stat(path).st_mode)
    os.replace(temporary, path)


if __name__ == "__main__":
    main()
