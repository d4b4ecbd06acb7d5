"""libxml2 reading documents in the encodings it hands to iconv.dll, through
the installed set under Wine (tests/payload/xml_read.c): EBCDIC documents
under every name libxml2 asks for, Japanese documents with JIS X 0212 and
ISO-2022-JP, UCS-2 and UCS-4; a document whose bytes are not of its
encoding is an error, never other text."""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import payloadlab  # noqa: E402

GRUSS = "Grüße, ¢5 [x] {y} ¬|!"

# File, the encoding declared ("" for none), the codec writing it, the text.
DOCUMENTS = [
    ("ebcdic-undeclared", "", "cp037", GRUSS),
    *[(f"ebcdic-{name.lower()}", name, "cp037", GRUSS)
      for name in ("EBCDIC", "ebcdic", "EBCDIC-US", "IBM-037", "IBM037", "CP037", "ebcdic-cp-us")],
    ("ebcdic-ibm500", "IBM500", "cp500", GRUSS),
    ("euc-jp-jis-x-0212", "EUC-JP", "euc_jp", "駪 (JIS X 0212) 日本"),
    ("iso-2022-jp", "ISO-2022-JP", "iso2022_jp", "日本語のテキスト ¥"),
    ("shift-jis", "Shift_JIS", "shift_jis", "日本語"),
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
]


def document(declared, codec, text):
    head = f'<?xml version="1.0" encoding="{declared}"?>' if declared else '<?xml version="1.0"?>'
    data = (head + "<doc>" + text + "</doc>\n").encode(codec)
    # UCS-2 with a byte order mark, UCS-4 without: libxml2 tells each by
    # its first bytes.
    return (b"\xfe\xff" if codec == "utf-16-be" else b"") + data


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
        cls.results = dict(zip(files, lines))

    def test_documents_read_as_their_text(self):
        for name, declared, codec, text in DOCUMENTS:
            with self.subTest(name, declared=declared):
                self.assertEqual(self.results.get(name), "OK " + text.encode("utf-8").hex().upper())

    def test_bytes_outside_the_encoding_are_an_error(self):
        for name, declared, raw in BROKEN:
            with self.subTest(name):
                self.assertTrue(self.results.get(name, "").startswith("ERROR"), self.results.get(name))


if __name__ == "__main__":
    unittest.main()
