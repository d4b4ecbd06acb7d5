"""libxml2 reading and writing documents in the encodings it hands to
iconv.dll, through the installed set under Wine (tests/payload/xml_read.c):
EBCDIC documents under every name libxml2 asks for and on every page with
the euro (a German one declared IBM-1141, as libxml2's own ebcdic_566012.xml
is), Japanese documents with JIS X 0212 and ISO-2022-JP, GB18030, UTF-7,
UCS-2 and UCS-4. Each is read whole and pushed in pieces of three bytes,
and written back in its encoding, which must read (as the native programs
read it) as the same document; a document whose bytes are not of its
encoding is an error, never other text."""

import unittest

import payloadlab

GRUSS = "Grüße, ¢5 [x] {y} ¬|!"
# Every character that a national EBCDIC page moves, and the euro.
EURO = "Größe: 5 € [x] {y} ¬|! @ \\ ~ #$ ÄÖÜäöüß ÆØÅæøå éèàçù £¥§ ÞþÐð"
EURO_PAGES = ["IBM-1140", "IBM-1141", "IBM01142", "CCSID01143", "CP1144", "IBM-1145", "IBM01146",
              "CCSID01147", "CP1148", "IBM-1149"]

# File, the encoding declared ("" for none), the codec writing it
# ("native:NAME": this machine's own iconv), the text.
DOCUMENTS = [
    ("ebcdic-undeclared", "", "cp037", GRUSS),
    # Numbered: names that differ only in case would be one file under Wine.
    *[(f"ebcdic-{k}-{name.lower()}", name, "cp037", GRUSS)
      for k, name in enumerate(("EBCDIC", "ebcdic", "EBCDIC-US", "IBM-037", "IBM037", "CP037",
                                "ebcdic-cp-us"))],
    ("ebcdic-ibm500", "IBM500", "cp500", GRUSS),
    *[(f"ebcdic-{name.lower()}", name, f"native:IBM{1140 + k}", EURO)
      for k, name in enumerate(EURO_PAGES)],
    ("euc-jp-jis-x-0212", "EUC-JP", "euc_jp", "駪 (JIS X 0212) 日本"),
    ("iso-2022-jp", "ISO-2022-JP", "iso2022_jp", "日本語のテキスト ¥"),
    ("shift-jis", "Shift_JIS", "shift_jis", "日本語"),
    # Two-byte, the euro at A2E3, four-byte in the BMP and above it.
    ("gb18030", "GB18030", "gb18030", "中文 € ÿ ⅶ 𝄞 𠀀"),
    # Direct, optional direct and base64 characters, "+-" and a surrogate pair.
    ("utf-7", "UTF-7", "utf_7", "Grüße, 日本 a+b ~\\ 🔞 [€]"),
    ("ucs-2", "ISO-10646-UCS-2", "utf-16-be", "Größe 日本"),
    ("ucs-4", "ISO-10646-UCS-4", "utf-32-be", "Größe 日本"),
    ("iso-8859-2", "ISO-8859-2", "iso8859_2", "Łódź"),
    ("koi8-r", "KOI8-R", "koi8_r", "Привет"),
]

# Documents whose bytes are not of the declared encoding: (file, declared,
# the bytes of the element's text).
BROKEN = [
    ("euc-jp-cut-0212", "EUC-JP", b"\x8f\xe9 x"),
    ("euc-jp-c1", "EUC-JP", b"\x85a"),
    ("iso-2022-jp-bad-escape", "ISO-2022-JP", b"\x1b$Ax\x1b(B"),
    ("shift-jis-lone-lead", "Shift_JIS", b"\x93<"),
    ("gb18030-cut", "GB18030", b"\x81\x30\x81<"),
    ("gb18030-80", "GB18030", b"\x80a"),
    ("utf-7-spare-bits", "UTF-7", b"+AOl-"),
    ("utf-7-high-byte", "UTF-7", b"a\xe9"),
]


def encode(codec, text):
    if codec.startswith("native:"):
        return payloadlab.native(codec.removeprefix("native:")).encode(text)
    return text.encode(codec)


def decode(codec, data):
    if codec.startswith("native:"):
        return payloadlab.native(codec.removeprefix("native:")).decode(data)
    return data.decode(codec)


def document(declared, codec, text):
    head = f'<?xml version="1.0" encoding="{declared}"?>' if declared else '<?xml version="1.0"?>'
    data = encode(codec, head + "<doc>" + text + "</doc>\n")
    # UCS-2 with a byte order mark, UCS-4 without: libxml2 tells each by
    # its first bytes.
    return (b"\xfe\xff" if codec == "utf-16-be" else b"") + data


def reader(codec):
    """The codec that reads a written document back as the native programs
    do: the one that wrote it, but the C library's UTF-7 for Python's (which
    writes the optional direct characters as they are, where iconv.dll and
    the C library write them in base64)."""
    return "native:UTF-7" if codec == "utf_7" else codec


class XmlEncodingsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        payload = payloadlab.payload_dir()
        lab = payloadlab.install_set(payload)
        exe = payloadlab.build_program(payloadlab.HERE / "xml_read.c", "xml_read", payload,
                                       ["-lxml2"])
        files = []
        for name, declared, codec, text in DOCUMENTS:
            (exe.parent / (name + ".xml")).write_bytes(document(declared, codec, text))
            files.append(name)
        for name, declared, raw in BROKEN:
            head = f'<?xml version="1.0" encoding="{declared}"?><doc>'.encode("ascii")
            (exe.parent / (name + ".xml")).write_bytes(head + raw + b"</doc>\n")
            files.append(name)
        result = lab.wine(str(exe), *(lab.windows_path(exe.parent / (f + ".xml")) for f in files),
                          timeout=600)
        lines = result.stdout.decode(errors="replace").splitlines()
        # READ PUSHED SAVED [MESSAGE]
        cls.results = {name: (line.split(" ", 3) + ["", "", ""])[:4]
                       for name, line in zip(files, lines)}

    def test_documents_read_as_their_text_whole_and_in_pieces(self):
        for name, declared, codec, text in DOCUMENTS:
            with self.subTest(name, declared=declared):
                expected = text.encode("utf-8").hex().upper()
                self.assertEqual(self.results.get(name, [""] * 4)[:2], [expected, expected],
                                 self.results.get(name))

    def test_documents_written_back_read_as_the_same_document(self):
        for name, declared, codec, text in DOCUMENTS:
            with self.subTest(name, declared=declared):
                saved = bytes.fromhex(self.results.get(name, ["", "", ""])[2].replace("-", ""))
                # xml_read.exe writes a document that declares no encoding in UTF-8.
                head = f'<?xml version="1.0" encoding="{declared or "UTF-8"}"?>'
                read_back = decode(reader(codec) if declared else "utf-8", saved)
                self.assertEqual(read_back, head + "\n<doc>" + text + "</doc>\n")

    def test_bytes_outside_the_encoding_are_an_error(self):
        for name, declared, raw in BROKEN:
            with self.subTest(name):
                self.assertEqual(self.results.get(name, [""] * 4)[:3], ["ERROR", "ERROR", "-"],
                                 self.results.get(name))


if __name__ == "__main__":
    unittest.main()
