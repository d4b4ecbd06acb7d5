"""The one reader of PE files (32- or 64-bit) for the tools and the tests,
on Debian's pefile: the headers, the imports and exports, the resources,
the version strings, where the Authenticode signature lies and the
checksum. It reads the file's own bytes, so that every check sees the very
bytes Windows would load."""

from collections import namedtuple
from pathlib import Path

import pefile

RT_VERSION = pefile.RESOURCE_TYPE["RT_VERSION"]
DIRECTORY_EXPORT = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"]
DIRECTORY_IMPORT = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]
DIRECTORY_RESOURCE = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]
DIRECTORY_SECURITY = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]
DIRECTORY_DEBUG = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DEBUG"]
I386 = pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]
PE32 = pefile.OPTIONAL_HEADER_MAGIC_PE
SECTION_ENTRY = 40  # the size of a section table entry

# A section: its address in memory, its size and offset in the file, and the
# file offset of the header field that holds the latter.
Section = namedtuple("Section", "address raw_size raw_offset raw_offset_field")


class NotPE(Exception):
    def __init__(self, name, reason):
        super().__init__(f"{name}: {reason}")
        self.reason = reason


class Image:
    """A PE file read whole into memory, from `path` or from `data`."""

    def __init__(self, path=None, data=None):
        self.name = Path(path).name if path else "the image"
        self.data = Path(path).read_bytes() if data is None else bytes(data)
        try:
            # The headers alone: the directories are read as they are asked for.
            self._pe = pefile.PE(data=self.data, fast_load=True)
        except pefile.PEFormatError as error:
            raise NotPE(self.name, f"not a PE file ({error.value})") from None
        header = self._pe.FILE_HEADER
        table = self._pe.sections[0].get_file_offset() if self._pe.sections else None
        if (len(self._pe.sections) != header.NumberOfSections or table is not None
                and table + SECTION_ENTRY * header.NumberOfSections > len(self.data)
                or any(s.PointerToRawData + s.SizeOfRawData > len(self.data)
                       for s in self._pe.sections)):
            raise NotPE(self.name, "the file is cut short")
        self.checksum_offset = self._pe.OPTIONAL_HEADER.get_field_absolute_offset("CheckSum")

    @property
    def machine(self):
        return self._pe.FILE_HEADER.Machine

    @property
    def magic(self):
        """The optional header's magic: PE32 (0x10b) or PE32+ (0x20b)."""
        return self._pe.OPTIONAL_HEADER.Magic

    @property
    def is_dll(self):
        return bool(self._pe.FILE_HEADER.IMAGE_FILE_DLL)

    @property
    def has_symbols(self):
        return bool(self._pe.FILE_HEADER.PointerToSymbolTable)

    def kind(self):
        """What the file is, in words: "PE32+ DLL, x86-64"."""
        bits = "PE32" if self.magic == PE32 else "PE32+"
        machine = pefile.MACHINE_TYPE.get(self.machine, f"machine {self.machine:#x}")
        machine = {"IMAGE_FILE_MACHINE_I386": "Intel 80386",
                   "IMAGE_FILE_MACHINE_AMD64": "x86-64"}.get(machine, machine)
        return f"{bits} {'DLL' if self.is_dll else 'executable'}, {machine}"

    def directory(self, index):
        """(address, size) of data directory `index`; (0, 0) when absent.
        The security directory's address is a file offset."""
        entries = self._pe.OPTIONAL_HEADER.DATA_DIRECTORY
        if index >= len(entries):
            return (0, 0)
        return (entries[index].VirtualAddress, entries[index].Size)

    def directory_offset(self, index):
        """The file offset of data directory `index`'s entry in the header."""
        return self._pe.OPTIONAL_HEADER.DATA_DIRECTORY[index].get_file_offset()

    def sections(self):
        """{name: Section} in the section table's order."""
        return {s.Name.rstrip(b"\0").decode(errors="replace"):
                Section(s.VirtualAddress, s.SizeOfRawData, s.PointerToRawData,
                        s.get_field_absolute_offset("PointerToRawData"))
                for s in self._pe.sections}

    def _parsed(self, index, attribute):
        if not hasattr(self._pe, attribute):
            self._pe.parse_data_directories(directories=[index])
        return getattr(self._pe, attribute, None)

    def imports(self):
        """{library: [functions]} of the import tables, in their order; a
        function imported by ordinal only is "#<ordinal>"."""
        return {entry.dll.decode(): [item.name.decode() if item.name else f"#{item.ordinal}"
                                     for item in entry.imports]
                for entry in self._parsed(DIRECTORY_IMPORT, "DIRECTORY_ENTRY_IMPORT") or []}

    def exports(self):
        """The names that the export table gives."""
        table = self._parsed(DIRECTORY_EXPORT, "DIRECTORY_ENTRY_EXPORT")
        return [symbol.name.decode() for symbol in table.symbols if symbol.name] if table else []

    def resources(self):
        """Every resource as {(type, name, language): bytes}; named types and
        names are upper-case texts, numbered ones integers."""
        found = {}

        def key(entry):
            return str(entry.name).upper() if entry.name is not None else entry.id

        def walk(directory, path):
            for entry in directory.entries:
                if hasattr(entry, "directory"):
                    walk(entry.directory, path + (key(entry),))
                else:
                    data = entry.data.struct
                    found[path + (key(entry),)] = self._pe.get_data(data.OffsetToData, data.Size)

        root = self._parsed(DIRECTORY_RESOURCE, "DIRECTORY_ENTRY_RESOURCE")
        if root:
            walk(root, ())
        return found

    def resource_type_fields(self):
        """{type: the file offset of the field that holds its id} of the
        numbered types in the resource directory's root."""
        root = self._parsed(DIRECTORY_RESOURCE, "DIRECTORY_ENTRY_RESOURCE")
        return {entry.id: entry.struct.get_field_absolute_offset("Name")
                for entry in (root.entries if root else []) if entry.name is None}

    def resources_of_type(self, kind):
        """{name: bytes} of the resources of one type, in any language."""
        return {key[1]: value for key, value in self.resources().items() if key[0] == kind}

    def version_strings(self):
        """The version resource's string table, e.g. {"ProductName": ...};
        {} when the file has none."""
        self._parsed(DIRECTORY_RESOURCE, "DIRECTORY_ENTRY_RESOURCE")
        strings = {}
        for info in (getattr(self._pe, "FileInfo", None) or [[]])[0]:
            for table in getattr(info, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
        return strings

    def signature(self):
        """(file offset, size) of the Authenticode certificate table, or None."""
        offset, size = self.directory(DIRECTORY_SECURITY)
        return (offset, size) if size else None

    @property
    def stored_checksum(self):
        """What the checksum field holds (0: none written)."""
        return self._pe.OPTIONAL_HEADER.CheckSum

    def checksum(self):
        """The PE checksum of the file, as its checksum field should hold it
        (the field itself left out)."""
        return self._pe.generate_checksum()
