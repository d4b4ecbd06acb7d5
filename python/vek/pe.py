"""Reads what a release needs from a PE file (32- or 64-bit): its resources,
its version strings and where its Authenticode signature lies. Pure Python,
so that the release and its tests read the very bytes Windows would load."""

import struct
from pathlib import Path

RT_VERSION = 16
DIRECTORY_RESOURCE = 2
DIRECTORY_SECURITY = 4


class NotPE(Exception):
    pass


class Image:
    """A PE file read whole into memory."""

    def __init__(self, path):
        self.path = Path(path)
        self.data = self.path.read_bytes()
        data = self.data
        if data[:2] != b"MZ" or len(data) < 0x40:
            raise NotPE(f"{self.path}: not a PE file")
        self.pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[self.pe:self.pe + 4] != b"PE\0\0":
            raise NotPE(f"{self.path}: not a PE file")
        sections, optional_size = struct.unpack_from("<H12xH", data, self.pe + 6)
        self.optional = self.pe + 24
        magic = struct.unpack_from("<H", data, self.optional)[0]
        if magic not in (0x10B, 0x20B):
            raise NotPE(f"{self.path}: unknown optional header magic {magic:#x}")
        self.directories = self.optional + (96 if magic == 0x10B else 112)
        self.checksum_offset = self.optional + 64
        table = self.optional + optional_size
        self.sections = [struct.unpack_from("<8xIIII", data, table + 40 * i)
                         for i in range(sections)]  # (vsize, rva, raw size, raw offset)

    def directory(self, index):
        """(address, size) of data directory `index`; (0, 0) when absent."""
        return struct.unpack_from("<II", self.data, self.directories + 8 * index)

    def offset(self, rva):
        for vsize, address, raw_size, raw in self.sections:
            if address <= rva < address + max(vsize, raw_size):
                return raw + rva - address
        raise NotPE(f"{self.path}: address {rva:#x} lies in no section")

    def resources(self):
        """Every resource as {(type, name, language): bytes}; named types and
        names are upper-case texts, numbered ones integers."""
        rva, size = self.directory(DIRECTORY_RESOURCE)
        if not size:
            return {}
        base = self.offset(rva)
        found = {}

        def walk(offset, path):
            named, numbered = struct.unpack_from("<12xHH", self.data, base + offset)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, base + offset + 16 + 8 * i)
                if key & 0x80000000:
                    at = base + (key & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le").upper()
                if target & 0x80000000:
                    walk(target & 0x7FFFFFFF, path + (key,))
                else:
                    data_rva, data_size = struct.unpack_from("<II", self.data, base + target)
                    start = self.offset(data_rva)
                    found[path + (key,)] = self.data[start:start + data_size]

        walk(0, ())
        return found

    def resources_of_type(self, kind):
        """{name: bytes} of the resources of one type, in any language."""
        return {key[1]: value for key, value in self.resources().items() if key[0] == kind}

    def version_strings(self):
        """The version resource's string table, e.g. {"ProductName": ...}."""
        blocks = self.resources_of_type(RT_VERSION)
        return _version_strings(next(iter(blocks.values()))) if blocks else {}

    def signature(self):
        """(file offset, size) of the Authenticode certificate table, or None."""
        offset, size = self.directory(DIRECTORY_SECURITY)
        return (offset, size) if size else None


def _version_strings(block):
    """Walks VS_VERSIONINFO's nodes (length, value length, type, key, value,
    children, each aligned to 4 bytes) and keeps the String nodes."""
    strings = {}

    def node(start, depth):
        length, value_length, kind = struct.unpack_from("<HHH", block, start)
        end = start + length
        at = start + 6
        key_end = at
        while block[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = block[at:key_end].decode("utf-16-le")
        at = (key_end + 2 + 3) & ~3
        if depth == 3 and kind == 1:  # VS_VERSIONINFO > StringFileInfo > table > String
            # Up to its terminating zero: compilers disagree on whether
            # the value length counts characters or bytes.
            text = block[at:end - (end - at) % 2].decode("utf-16-le")
            strings[key] = text.split("\0", 1)[0]
        at += value_length * (2 if kind == 1 else 1)
        at = (at + 3) & ~3
        while at < end:
            at = node(at, depth + 1)
        return (end + 3) & ~3

    node(0, 0)
    return strings
