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

import os
import struct
import sys

from vek import pe

PAGE = 4096


class LayoutError(Exception):
    pass


def layout(data):
    """(the image read, the resource section's file offset) of a stripped,
    unsigned PE32 image. Raises LayoutError for any other file, whose layout
    this cannot move safely."""
    try:
        image = pe.Image(data=data)
    except pe.NotPE as problem:
        raise LayoutError(problem.reason) from None
    if image.magic != pe.PE32:
        raise LayoutError("not a 32-bit (PE32) executable")
    # The signature's directory holds a file offset, the debug records hold
    # file offsets too.
    for index, what in ((pe.DIRECTORY_SECURITY, "a signature"), (pe.DIRECTORY_DEBUG, "debug records")):
        if image.directory(index)[0]:
            raise LayoutError(f"the executable carries {what}; align it before adding them")
    if image.has_symbols:
        raise LayoutError("the executable carries a symbol table; link it stripped")
    if ".rsrc" not in image.sections():
        raise LayoutError("the executable has no resource section")
    return image, image.sections()[".rsrc"].raw_offset


def aligned(data):
    """The image with its resource section at a page-aligned file offset (the
    same object when it is there already). Raises LayoutError as layout()."""
    image, start = layout(data)
    padding = -start % PAGE
    if padding == 0:
        return data
    moved = bytearray(data[:start]) + bytes(padding) + data[start:]
    for section in image.sections().values():
        if section.raw_size and section.raw_offset >= start:
            struct.pack_into("<I", moved, section.raw_offset_field, section.raw_offset + padding)
    # A checksum that the linker wrote must stay true.
    if image.stored_checksum:
        struct.pack_into("<I", moved, image.checksum_offset, pe.Image(data=moved).checksum())
    return bytes(moved)


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
        # On the disk before it takes the name: a power cut never leaves an
        # executable of the right name and the wrong bytes.
        out.flush()
        os.fsync(out.fileno())
    os.chmod(temporary, os.stat(path).st_mode)
    os.replace(temporary, path)


if __name__ == "__main__":
    main()
