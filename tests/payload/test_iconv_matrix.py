"""iconv.dll against Python's codecs, for every name it should know: each
group below is one encoding with its reference codec, its Windows code page
(0: done by iconv.dll itself) and its names. The first name of a group gets
documents covering every byte value (and every two-byte sequence, for the
multi-byte pages; every four-byte one of the BMP and a sample above it, for
GB18030) and every character of the Basic Multilingual Plane (and a sample
above it, for GB18030 and UTF-7); each other name gets a sample that tells
the encodings apart. Where Python has no codec for an encoding, or writes it
otherwise than the native programs do, the reference is this machine's own
iconv ("native:NAME"). iconv_matrix.c converts each document on its own
under Wine, through the installed iconv.dll and through MultiByteToWideChar /
WideCharToMultiByte directly.

Where iconv.dll and the reference differ, the difference must be the
system table's: the same result as the Windows functions give, or an error
where Windows has no such character or would give other characters.
Anything else fails. The differences are written, one line per kind, to
build/payload/iconv-differences.md (build/payload-wine10/ under Wine 10;
tools/payload/README.md lists them)."""

import struct
import sys
import unittest
from collections import defaultdict

import payloadlab

# (reference codec, Windows code page, names); reference None: Python has
# none, the system's table is the only reference; "native:NAME": the C
# library's iconv. Where this Windows lacks the page of an EBCDIC group with
# the euro, iconv.dll makes it, and it must then be the reference exactly.
GROUPS = [
    ("ascii", 0, "US-ASCII ascii ISO646-US ISO_646.IRV:1991 ISO-IR-6 ANSI_X3.4-1968 "
                 "ANSI_X3.4-1986 CP367 IBM367 US csASCII CP20127"),
    ("latin_1", 0, "ISO-8859-1 ISO_8859-1 ISO8859-1 ISO_8859-1:1987 ISO-IR-100 CP819 IBM819 "
                   "LATIN1 L1 csISOLatin1 CP28591"),
    ("iso8859_2", 28592, "ISO-8859-2 ISO_8859-2 ISO8859-2 ISO_8859-2:1987 ISO-IR-101 LATIN2 L2 "
                         "csISOLatin2"),
    ("iso8859_3", 28593, "ISO-8859-3 ISO_8859-3:1988 ISO-IR-109 LATIN3 L3 csISOLatin3"),
    ("iso8859_4", 28594, "ISO-8859-4 ISO_8859-4:1988 ISO-IR-110 LATIN4 L4 csISOLatin4"),
    ("iso8859_5", 28595, "ISO-8859-5 ISO_8859-5:1988 ISO-IR-144 CYRILLIC csISOLatinCyrillic"),
    ("iso8859_6", 28596, "ISO-8859-6 ISO_8859-6:1987 ISO-IR-127 ECMA-114 ASMO-708 ARABIC "
                         "csISOLatinArabic"),
    ("iso8859_7", 28597, "ISO-8859-7 ISO_8859-7:1987 ISO_8859-7:2003 ISO-IR-126 ECMA-118 "
                         "ELOT_928 GREEK8 GREEK csISOLatinGreek"),
    ("iso8859_8", 28598, "ISO-8859-8 ISO_8859-8:1988 ISO-IR-138 HEBREW csISOLatinHebrew"),
    ("iso8859_9", 28599, "ISO-8859-9 ISO_8859-9:1989 ISO-IR-148 LATIN5 L5 csISOLatin5"),
    ("iso8859_10", 28600, "ISO-8859-10 ISO_8859-10:1992 ISO-IR-157 LATIN6 L6 csISOLatin6"),
    ("iso8859_13", 28603, "ISO-8859-13 ISO-IR-179 LATIN7 L7"),
    ("iso8859_14", 28604, "ISO-8859-14 ISO_8859-14:1998 ISO-IR-199 LATIN8 L8 ISO-CELTIC"),
    ("iso8859_15", 28605, "ISO-8859-15 ISO_8859-15:1998 ISO-IR-203 LATIN-9"),
    ("iso8859_16", 28606, "ISO-8859-16 ISO_8859-16:2001 ISO-IR-226 LATIN10 L10"),
    ("koi8_r", 20866, "KOI8-R csKOI8R"),
    ("koi8_u", 21866, "KOI8-U KOI8-RU"),
    ("cp1250", 1250, "CP1250 WINDOWS-1250 MS-EE"),
    ("cp1251", 1251, "CP1251 WINDOWS-1251 MS-CYRL"),
    ("cp1252", 1252, "CP1252 WINDOWS-1252 MS-ANSI"),
    ("cp1253", 1253, "CP1253 WINDOWS-1253 MS-GREEK"),
    ("cp1254", 1254, "CP1254 WINDOWS-1254 MS-TURK"),
    ("cp1255", 1255, "CP1255 WINDOWS-1255 MS-HEBR"),
    ("cp1256", 1256, "CP1256 WINDOWS-1256 MS-ARAB"),
    ("cp1257", 1257, "CP1257 WINDOWS-1257 WINBALTRIM"),
    ("cp1258", 1258, "CP1258 WINDOWS-1258"),
    ("cp437", 437, "CP437 IBM437 437 csPC8CodePage437"),
    ("cp737", 737, "CP737"),
    ("cp775", 775, "CP775 IBM775 csPC775Baltic"),
    ("cp850", 850, "CP850 IBM850 850 csPC850Multilingual"),
    ("cp852", 852, "CP852 IBM852 852 csPCp852"),
    ("cp855", 855, "CP855 IBM855 855 csIBM855"),
    ("cp857", 857, "CP857 IBM857 857 csIBM857"),
    ("cp860", 860, "CP860 IBM860 860 csIBM860"),
    ("cp861", 861, "CP861 IBM861 861 CP-IS csIBM861"),
    ("cp862", 862, "CP862 IBM862 862 csPC862LatinHebrew"),
    ("cp863", 863, "CP863 IBM863 863 csIBM863"),
    ("cp864", 864, "CP864 IBM864 csIBM864"),
    ("cp865", 865, "CP865 IBM865 865 csIBM865"),
    ("cp866", 866, "CP866 IBM866 866 csIBM866"),
    ("cp869", 869, "CP869 IBM869 869 CP-GR csIBM869"),
    ("mac_roman", 10000, "MacRoman MACINTOSH MAC csMacintosh"),
    ("mac_latin2", 10029, "MacCentralEurope"),
    ("mac_iceland", 10079, "MacIceland"),
    ("mac_croatian", 10082, "MacCroatian"),
    ("mac_romanian", 10010, "MacRomania"),
    ("mac_cyrillic", 10007, "MacCyrillic"),
    ("mac_greek", 10006, "MacGreek"),
    ("mac_turkish", 10081, "MacTurkish"),
    ("mac_arabic", 10004, "MacArabic"),
    (None, 10017, "MacUkraine"),
    (None, 10005, "MacHebrew"),
    (None, 10021, "MacThai"),
    ("cp874", 874, "CP874 WINDOWS-874"),
    ("tis_620", 874, "TIS-620 TIS620 TIS620-0 TIS620.2529-1 TIS620.2533-0 TIS620.2533-1 "
                     "ISO-IR-166"),
    ("cp037", 37, "EBCDIC ebcdic EBCDIC-US IBM-037 IBM037 CP037 EBCDIC-CP-US EBCDIC-CP-CA "
                  "EBCDIC-CP-WT EBCDIC-CP-NL csIBM037"),
    ("cp500", 500, "IBM-500 IBM500 CP500 EBCDIC-CP-BE EBCDIC-CP-CH csIBM500"),
    ("cp875", 875, "IBM-875 IBM875 CP875 EBCDIC-GREEK"),
    ("cp1026", 1026, "IBM-1026 IBM1026 CP1026 csIBM1026"),
    ("cp273", 20273, "IBM-273 IBM273 CP273 csIBM273"),
    ("cp1140", 1140, "IBM-1140 IBM01140 CCSID01140 CP01140 CP1140 EBCDIC-US-37+EURO csIBM01140"),
    ("native:IBM1141", 1141, "IBM-1141 IBM01141 CCSID01141 CP1141 EBCDIC-DE-273+EURO csIBM01141"),
    ("native:IBM1142", 1142, "IBM-1142 IBM01142 CCSID01142 CP1142 EBCDIC-DK-277+EURO "
                             "EBCDIC-NO-277+EURO"),
    ("native:IBM1143", 1143, "IBM-1143 IBM01143 CCSID01143 CP1143 EBCDIC-FI-278+EURO "
                             "EBCDIC-SE-278+EURO"),
    ("native:IBM1144", 1144, "IBM-1144 IBM01144 CCSID01144 CP1144 EBCDIC-IT-280+EURO"),
    ("native:IBM1145", 1145, "IBM-1145 IBM01145 CCSID01145 CP1145 EBCDIC-ES-284+EURO"),
    ("native:IBM1146", 1146, "IBM-1146 IBM01146 CCSID01146 CP1146 EBCDIC-GB-285+EURO"),
    ("native:IBM1147", 1147, "IBM-1147 IBM01147 CCSID01147 CP1147 EBCDIC-FR-297+EURO"),
    ("native:IBM1148", 1148, "IBM-1148 IBM01148 CCSID01148 CP1148 EBCDIC-INTERNATIONAL-500+EURO"),
    ("native:IBM1149", 1149, "IBM-1149 IBM01149 CCSID01149 CP1149 EBCDIC-IS-871+EURO"),
    ("shift_jis", 932, "SHIFT_JIS Shift_JIS SHIFT-JIS SJIS MS_KANJI csShiftJIS"),
    ("cp932", 932, "CP932 WINDOWS-31J csWindows31J MS932"),
    ("euc_jp", 20932, "EUC-JP EUCJP Extended_UNIX_Code_Packed_Format_for_Japanese "
                      "csEUCPkdFmtJapanese"),
    ("iso2022_jp", 0, "ISO-2022-JP csISO2022JP"),
    ("gb2312", 936, "EUC-CN EUCCN GB2312 CN-GB csGB2312"),
    ("gbk", 936, "GBK CP936 MS936 WINDOWS-936"),
    ("gb18030", 0, "GB18030 CP54936 WINDOWS-54936"),
    ("big5", 950, "BIG5 BIG-5 BIG-FIVE BIGFIVE CN-BIG5 csBig5"),
    ("cp950", 950, "CP950"),
    ("euc_kr", 949, "EUC-KR EUCKR csEUCKR"),
    ("cp949", 949, "CP949 UHC"),
    ("johab", 1361, "JOHAB CP1361"),
    ("utf_8", 0, "UTF-8 utf8 CP65001"),
    ("utf_16_le", 0, "UTF-16LE UTF16LE WCHAR_T CP1200"),
    ("utf_16_be", 0, "UTF-16BE UTF16BE CP1201"),
    ("UTF-16", 0, "UTF-16 UTF16"),
    ("UCS-2", 0, "UCS-2 UCS2 ISO-10646-UCS-2 csUnicode"),
    ("UCS-2LE", 0, "UCS-2LE UNICODELITTLE UCS-2-INTERNAL"),
    ("UCS-2BE", 0, "UCS-2BE UNICODEBIG UNICODE-1-1 csUnicode11 UCS-2-SWAPPED"),
    ("utf_32_le", 0, "UTF-32LE UTF32LE UCS-4LE CP12000"),
    ("utf_32_be", 0, "UTF-32BE UTF32BE UCS-4BE CP12001"),
    ("UTF-32", 0, "UTF-32 UTF32"),
    ("UCS-4", 0, "UCS-4 UCS4 ISO-10646-UCS-4 csUCS4"),
    ("native:UTF-7", 0, "UTF-7 UNICODE-1-1-UTF-7 csUnicode11UTF7 CP65000"),
]

MULTI_BYTE = {932, 936, 949, 950, 1361, 20932}
# The pages that iconv.dll makes itself where this Windows lacks them.
MADE_WHERE_MISSING = range(1140, 1150)
BOM16, BOM32 = b"\xfe\xff", b"\0\0\xfe\xff"


def strict(codec):
    def decode(doc):
        try:
            return doc.decode(codec)
        except UnicodeError:
            return None

    def encode(text):
        try:
            return text.encode(codec)
        except UnicodeError:
            return None
    return decode, encode


def unicode_form(codec, bom, bmp_only, write_bom):
    """Our UTF-16/UCS-2/UTF-32/UCS-4 with a byte order mark: documents get
    one (big-endian, which is also the order without one)."""
    decode_be, encode_be = strict(codec)

    def decode(doc):
        text = decode_be(doc[len(bom):]) if doc.startswith(bom) else None
        return None if text is None or (bmp_only and any(ord(c) > 0xFFFF for c in text)) else text

    def encode(text):
        if bmp_only and any(ord(c) > 0xFFFF for c in text):
            return None
        data = encode_be(text)
        return None if data is None else (bom if write_bom else b"") + data
    return decode, encode, bom, codec


def reference(name):
    """(decode, encode, BOM of the documents, codec that writes them)"""
    forms = {"UTF-16": ("utf_16_be", BOM16, False, True), "UCS-2": ("utf_16_be", BOM16, True, False),
             "UTF-32": ("utf_32_be", BOM32, False, True), "UCS-4": ("utf_32_be", BOM32, False, False)}
    if name in forms:
        return unicode_form(*forms[name])
    if name in ("UCS-2LE", "UCS-2BE"):
        return unicode_form("utf_16_" + name[-2:].lower(), b"", True, False)
    if name and name.startswith("native:"):
        codec = payloadlab.native(name.removeprefix("native:"))
        return codec.decode, codec.encode, b"", name
    return (*strict(name), b"", name) if name else (lambda d: None, lambda t: None, b"", None)


def unicode_sample(full):
    """Every BMP character and a sample of the others, or a sample of that."""
    chars = list(range(0, 0xD800)) + list(range(0xE000, 0x10000)) + \
        list(range(0x10000, 0x110000, 0x3F)) + [0x10FFFF]
    return chars if full else chars[::97]


# GB18030's four-byte codes by number: those of the BMP, and U+10000's.
GB_BMP_CODES, GB_PLANE1 = 39420, 189000


def gb18030_four(index):
    """GB18030's four-byte code of a number (0: 81 30 81 30)."""
    b4, index = index % 10, index // 10
    b3, index = index % 126, index // 126
    return bytes([0x81 + index // 10, 0x30 + index % 10, 0x81 + b3, 0x30 + b4])


def documents(ref, cp, full):
    """The documents to decode: every byte, and every two-byte sequence
    (three-byte for EUC-JP's 0x8F) on multi-byte pages; GB18030 also every
    four-byte code of the BMP and those of a sample of the other planes;
    the Unicode forms get every BMP character and a sample of the others,
    as their codec writes them (Python's, for UTF-7). A sample only, for
    names other than a group's first."""
    if ref == "gb18030":
        leads = range(0x80, 0x100) if full else (0x81, 0xA2, 0xA8, 0xFE)
        # The BMP's codes and a few past them, a sample of the other planes',
        # the codes just outside them, and bytes out of the structure.
        bmp = range(GB_BMP_CODES + 12) if full else range(0, GB_BMP_CODES + 12, 41)
        plane = [*range(GB_PLANE1, GB_PLANE1 + 0x100000, 0x3F if full else 0x3F * 97),
                 GB_PLANE1 + 0xFFFFF]
        odd = [gb18030_four(GB_PLANE1 - 1), gb18030_four(GB_PLANE1 + 0x100000),
               b"\x81\x30\x7f\x30", b"\x81\x30\xff\x30", b"\x81\x30\x81\x3a", b"\x81\x2f"]
        return [bytes([b]) for b in range(256)] + \
            [bytes([a, b]) for a in leads for b in range(256)] + \
            [gb18030_four(i) for i in (*bmp, *plane)] + odd
    if ref == "native:UTF-7":
        texts = ["a+b", "é-", "éa", "日本語 x", "🔞🔞", "x\0y", "~\\", "é.", "+é+", "<a=\"b\">"]
        singles = [bytes([b]) for b in range(256) if b != ord("+")]
        lone = [chr(0xD800 + i).encode("utf_7") for i in range(0, 2048, 7)]
        bad = [b"+A-", b"+AOl-", b"+2D3d-", b"+AGE\x80", b"+\x80"]
        return singles + [chr(c).encode("utf_7") for c in unicode_sample(full)] + \
            [t.encode("utf_7") for t in texts] + lone + bad
    if ref == "iso2022_jp":
        pairs = [b"\x1b$B" + bytes([a, b]) + b"\x1b(B" for a in range(0x21, 0x7f)
                 for b in range(0x21, 0x7f)]
        singles = [bytes([b]) for b in range(256)] + \
                  [b"\x1b(J" + bytes([b]) + b"\x1b(B" for b in range(0x21, 0x7f)]
        return singles + (pairs if full else pairs[1500:1800])
    decode, encode, bom, base = reference(ref)
    if cp == 0 and ref not in ("ascii", "latin_1"):
        docs = [bom + chr(c).encode(base) for c in unicode_sample(full)]
        # Lone surrogates, written as the codec would if it let them through,
        # and bytes that are no character at all.
        lone = [bom + chr(0xD800 + i).encode(base, "surrogatepass") for i in range(0, 2048, 7)]
        bad = [b"\xc0\xaf", b"\xf4\x90\x80\x80", b"\xff", b"\xe2\x82"] if ref == "utf_8" else \
            [bom + (b"\0\x11\0\0" if "32" in base else b"\0")]
        return docs + lone + bad
    singles = [bytes([b]) for b in range(256)]
    if cp not in MULTI_BYTE:
        return singles
    leads = range(0x80, 0x100) if full else (0x8F, 0xA4, 0xB0, 0xE0)
    pairs = [bytes([a, b]) for a in leads for b in range(256)]
    triples = [bytes([0x8F, a, b]) for a in range(0xA1, 0xFF) for b in range(0xA1, 0xFF)] \
        if cp == 20932 and full else []
    return singles + pairs + triples


def characters(ref, full):
    """The ranges of characters to encode, one at a time: the BMP, and
    samples above it where iconv.dll's own code writes those otherwise."""
    if not full:
        return [(0, 0x300)]
    if ref in ("gb18030", "native:UTF-7"):
        return [(0, 0x10000), (0x10000, 0x10800), (0x20000, 0x20400), (0x10F800, 0x110000)]
    return [(0, 0x10000)]


class Matrix:
    """The jobs for iconv_matrix.exe and the reading of its answers."""

    def __init__(self):
        self.jobs = []

    def add(self, mode, cp, name, payload):
        self.jobs.append((mode, cp, name, payload))

    def request(self):
        out = bytearray()
        for mode, cp, name, payload in self.jobs:
            out += struct.pack("<BIH", mode, cp, len(name)) + name.encode()
            if mode == 0:
                out += struct.pack("<I", len(payload))
                for doc in payload:
                    out += struct.pack("<I", len(doc)) + doc
            else:
                out += struct.pack("<I", len(payload))
                for first, end in payload:
                    out += struct.pack("<II", first, end)
        return bytes(out)

    def answers(self, data):
        at = 0

        def take(fmt):
            nonlocal at
            values = struct.unpack_from(fmt, data, at)
            at += struct.calcsize(fmt)
            return values

        def result():
            nonlocal at
            status, length = take("<BI")
            value = data[at:at + length]
            at += length
            return status, value
        for mode, cp, name, payload in self.jobs:
            opened, has_cp = take("<BB")
            rows = {}
            count = len(payload) if mode == 0 else None
            while count is None or len(rows) < count:
                (index,) = take("<I")
                if index == 0xFFFFFFFF:
                    break
                rows[index] = (result(), result())
            yield opened, has_cp, rows


def text(status_value):
    status, value = status_value
    return value.decode("utf-32-le") if status == 0 else None


def classify(ours, system, expected, has_system):
    """None when iconv.dll agrees with the reference; else the kind of
    difference, "FAIL" for one that is not the system table's."""
    if ours == expected:
        return None
    if not has_system:
        return "FAIL"
    if ours is not None:
        if ours != system:
            return "FAIL"
        return "Windows converts, Python refuses" if expected is None else "Windows differs from Python"
    if system is None:
        return "Windows lacks it"
    return "Windows gives other characters: refused" if system != expected else "FAIL"


def show(key, value, decoding):
    if value is None:
        return "error"
    if decoding:
        return " ".join(f"U+{ord(c):04X}" for c in value)
    return value.hex().upper()


def ranges(keys):
    keys = sorted(keys)
    spans, start = [], keys[0]
    for a, b in zip(keys, keys[1:] + [None]):
        if b != a + 1:
            spans.append((start, a))
            start = b
    return spans


class IconvMatrixTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        payload = payloadlab.payload_dir()
        exe = payloadlab.build_program(payloadlab.HERE / "iconv_matrix.c", "iconv_matrix",
                                       payload, ["-liconv"])
        payloadlab.install_set(payload)
        matrix = Matrix()
        cls.cases = []
        for ref, cp, names in GROUPS:
            for i, name in enumerate(names.split()):
                docs = documents(ref, cp, i == 0)
                matrix.add(0, cp, name, docs)
                matrix.add(1, cp, name, characters(ref, i == 0))
                cls.cases.append((ref, cp, name, docs))
        (exe.parent / "in.bin").write_bytes(matrix.request())
        lab = payloadlab.prefix()
        result = lab.wine(str(exe), lab.windows_path(exe.parent / "in.bin"),
                          lab.windows_path(exe.parent / "out.bin"), timeout=3600, check=False)
        if result.returncode != 0:
            raise AssertionError(f"iconv_matrix failed: {result.stderr.decode(errors='replace')}")
        cls.answers = list(matrix.answers((exe.parent / "out.bin").read_bytes()))
        cls.report = cls.compare()
        payloadlab.ARTIFACTS.mkdir(parents=True, exist_ok=True)
        (payloadlab.ARTIFACTS / "iconv-differences.md").write_text(cls.render())

    @classmethod
    def compare(cls):
        """{(ref, cp, name): {"open": ..., kind: [(direction, key, ours, expected)]}}"""
        report = {}
        for n, (ref, cp, name, docs) in enumerate(cls.cases):
            decode, encode, _, _ = reference(ref)
            (opened, has_cp, dec_rows), (_, _, enc_rows) = cls.answers[2 * n], cls.answers[2 * n + 1]
            found = defaultdict(list)
            report[(ref, cp, name)] = found
            found["open"] = (opened, has_cp)
            if not opened:
                continue
            if ref == "euc_jp" and name == "EUC-JP":
                euc_decoded = cls.euc_jp = {doc: text(dec_rows[i][0]) for i, doc in enumerate(docs)}
                euc_encoded = {c: row[0][1] for c, row in enc_rows.items() if row[0][0] == 0}
            jis, euc = ref == "iso2022_jp", cp == 20932
            read_back = {doc: text(dec_rows[i][1]) for i, doc in enumerate(docs)}
            for i, doc in enumerate(docs):
                ours_r, sys_r = dec_rows[i]
                ours, system = text(ours_r), text(sys_r)
                if euc and len(doc) == 3:
                    # JIS X 0212: the system's table holds 8F b1 b2 as b1 (b2 - 0x80).
                    system = read_back.get(bytes([doc[1], doc[2] & 0x7F]))
                if jis:
                    # ISO-2022-JP's JIS X 0208 is EUC-JP's, less the high bits:
                    # the EUC-JP page (checked above against Windows) stands in
                    # for the system here.
                    has_cp, system = True, ours
                    if doc[:3] == b"\x1b$B" and len(doc) == 8:
                        system = euc_decoded.get(bytes(b | 0x80 for b in doc[3:5]))
                kind = classify(ours, system, decode(doc), has_cp)
                if kind:
                    found[kind].append(("decode", doc, ours, decode(doc)))
            chars = [c for first, end in characters(ref, name == ref_first(ref))
                     for c in range(first, end) if not 0xD800 <= c <= 0xDFFF]
            for c in chars:
                (o_status, o_val), (s_status, s_val) = enc_rows.get(c, ((1, b""), (1, b"")))
                ours = o_val if o_status == 0 else None
                system = s_val if s_status == 0 else None
                if euc and system and len(system) == 2 and system[1] < 0x80:
                    system = bytes([0x8F, system[0], system[1] | 0x80])
                if jis:
                    euc = euc_encoded.get(c)
                    system = ours if c < 0x80 or c in (0xA5, 0x203E) else \
                        b"\x1b$B" + bytes(b & 0x7F for b in euc) + b"\x1b(B" \
                        if euc and len(euc) == 2 and min(euc) >= 0xA1 else None
                expected = encode(chr(c))
                kind = classify(ours, system, expected, has_cp)
                if kind == "FAIL" and ours is None and system in read_back and \
                        read_back[system] != chr(c) and not euc:
                    kind = "Windows does not read it back: refused"
                if kind:
                    found[kind].append(("encode", c, ours, expected))
        return report

    @classmethod
    def render(cls):
        lines = ["| Name (reference) | Code page | Conversion | Difference | Count | Where |",
                 "|---|---|---|---|---|---|"]
        for (ref, cp, name), found in cls.report.items():
            if name != ref_first(ref):
                continue
            for kind, items in sorted(found.items()):
                if kind == "open":
                    continue
                for direction in ("decode", "encode"):
                    these = [it for it in items if it[0] == direction]
                    if not these:
                        continue
                    lines.append(f"| {name} ({ref or 'none'}) | {cp or '-'} | {direction} | {kind} "
                                 f"| {len(these)} | {where(these, direction)} |")
        return "\n".join(lines) + "\n"

    def failures(self, kind_filter):
        bad = []
        for (ref, cp, name), found in self.report.items():
            for item in found.get("FAIL", []):
                if kind_filter(item):
                    direction, key, ours, expected = item
                    shown = key.hex().upper() if isinstance(key, bytes) else f"U+{key:04X}"
                    bad.append(f"{name} {direction} {shown}: ours {show(key, ours, direction == 'decode')}, "
                               f"Python {show(key, expected, direction == 'decode')}")
        return bad

    def test_every_name_opens_where_windows_has_its_code_page(self):
        missing = [name for (ref, cp, name), found in self.report.items()
                   if not found["open"][0] and (cp == 0 or cp in MADE_WHERE_MISSING or
                                                found["open"][1])]
        self.assertEqual(missing, [])
        lacking = [name for (ref, cp, name), found in self.report.items()
                   if not found["open"][0]]
        print(f"\n  names refused because this Windows lacks the code page: {' '.join(lacking)}",
              file=sys.stderr)

    def test_decoding_differs_from_python_only_where_the_system_table_does(self):
        bad = self.failures(lambda item: item[0] == "decode")
        self.assertEqual(bad[:40], [], f"{len(bad)} documents")

    def test_encoding_differs_from_python_only_where_the_system_table_does(self):
        bad = self.failures(lambda item: item[0] == "encode")
        self.assertEqual(bad[:40], [], f"{len(bad)} characters")

    def test_euc_jp_jis_x_0212_decodes_to_its_own_characters(self):
        # 8F E9 AE is U+99EA, once read as U+008F and another character.
        self.assertEqual(self.euc_jp[b"\x8f\xe9\xae"], "\u99ea")
        split = [doc.hex() for doc, text in self.euc_jp.items()
                 if doc[:1] == b"\x8f" and text is not None and len(text) != 1]
        self.assertEqual(split, [])


def ref_first(ref):
    return next(names.split()[0] for r, cp, names in GROUPS if r == ref)


def where(items, direction):
    """Where the differences lie: byte sequences or code points as ranges,
    with the characters for a few."""
    if direction == "decode":
        # Escape sequences left out; the length kept in the top byte, so
        # that a range never spans two lengths.
        docs = [doc.replace(b"\x1b$B", b"").replace(b"\x1b(B", b"").replace(b"\x1b(J", b"")
                for _, doc, _, _ in items]
        keys = [len(doc) << 32 | int.from_bytes(doc, "big") for doc in docs]
        fmt = lambda k: f"{k & 0xFFFFFFFF:0{2 * (k >> 32)}X}"  # noqa: E731
    else:
        keys = [c for _, c, _, _ in items]
        fmt = lambda k: f"U+{k:04X}"  # noqa: E731
    spans = ranges(keys)
    shown = ", ".join(fmt(a) if a == b else f"{fmt(a)}–{fmt(b)}" for a, b in spans[:10])
    if len(spans) > 10:
        shown += f", … ({len(spans)} ranges)"
    if len(items) <= 8 and all(ours is not None and exp is not None for _, _, ours, exp in items):
        decoding = direction == "decode"
        shown += ": " + "; ".join(
            f"{show(k, ours, decoding)} (Python {show(k, exp, decoding)})" for _, k, ours, exp in items)
    return shown


if __name__ == "__main__":
    unittest.main()
