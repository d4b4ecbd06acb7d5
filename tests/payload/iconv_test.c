/* Unit tests of our iconv.dll, run under Wine against the built DLL.
 *
 * Prints "group NAME" before each group of checks, "FAIL NAME: line N: ..."
 * for each check that fails, and a closing "N passed, N failed" line; exits
 * non-zero if anything failed. test_iconv.py reads the groups. */
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <iconv.h>

static const char *group = "";
static int passed, failed;

static void check(int ok, int line, const char *what)
{
    if (ok) {
        passed++;
    } else {
        failed++;
        printf("FAIL %s: line %d: %s\n", group, line, what);
    }
}

#define CHECK(cond) check((cond) != 0, __LINE__, #cond)

static void begin(const char *name)
{
    group = name;
    printf("group %s\n", name);
}

/* One call of iconv over the whole input into an output of `room` bytes. */
struct result {
    size_t ret;
    int error;       /* errno when ret is (size_t)-1, else 0 */
    size_t consumed; /* input bytes taken */
    size_t written;
    char out[512];
};

static struct result run(iconv_t cd, const void *in, size_t len, size_t room)
{
    struct result r;
    char *inp = (char *)in, *outp;
    size_t in_left = len, out_left = room;

    memset(&r, 0, sizeof r);
    outp = r.out;
    errno = 0;
    r.ret = iconv(cd, &inp, &in_left, &outp, &out_left);
    r.error = r.ret == (size_t)-1 ? errno : 0;
    r.consumed = len - in_left;
    r.written = room - out_left;
    /* The pointers and counts must move together. */
    CHECK(inp == (char *)in + r.consumed);
    CHECK(outp == r.out + r.written);
    return r;
}

/* A whole conversion with a fresh descriptor: one call over the input,
 * then, if that converted everything, the flush of the shift state. */
static struct result convert(const char *to, const char *from, const void *in, size_t len, size_t room)
{
    struct result r;
    iconv_t cd = iconv_open(to, from);
    char *outp;
    size_t out_left;

    memset(&r, 0, sizeof r);
    CHECK(cd != (iconv_t)-1);
    if (cd == (iconv_t)-1) {
        printf("  cannot open %s -> %s\n", from, to);
        r.ret = (size_t)-1;
        r.error = -1;
        return r;
    }
    r = run(cd, in, len, room);
    outp = r.out + r.written;
    out_left = room - r.written;
    if (r.ret == 0 && iconv(cd, NULL, NULL, &outp, &out_left) == (size_t)-1) {
        r.ret = (size_t)-1;
        r.error = errno;
    }
    r.written = room - out_left;
    iconv_close(cd);
    return r;
}

/* `in` converts completely to exactly `expected`, and back. */
static void round_trip(int line, const char *to, const char *from, const char *in, size_t in_len,
                       const char *expected, size_t expected_len)
{
    struct result there = convert(to, from, in, in_len, sizeof there.out);
    struct result back = convert(from, to, expected, expected_len, sizeof back.out);
    char what[160];

    snprintf(what, sizeof what, "%s -> %s converts exactly", from, to);
    check(there.ret == 0 && there.consumed == in_len && there.written == expected_len &&
          !memcmp(there.out, expected, expected_len), line, what);
    snprintf(what, sizeof what, "%s -> %s converts exactly", to, from);
    check(back.ret == 0 && back.consumed == expected_len && back.written == in_len &&
          !memcmp(back.out, in, in_len), line, what);
}

#define ROUND_TRIP(to, from, in, expected) \
    round_trip(__LINE__, to, from, in, sizeof in - 1, expected, sizeof expected - 1)

static void test_names(void)
{
    static const char *known[] = {
        "UTF-8", "utf8", "Utf-16LE", "UTF-16BE", "utf-16", "UTF-32", "UTF-32LE", "ucs-4be",
        "UCS-2LE", "WCHAR_T", "windows-1252", "CP1252", "cp1252", "ISO-8859-1", "iso8859-1",
        "latin1", "ISO-8859-15", "ISO_8859-2", "US-ASCII", "ascii", "CP850", "IBM437",
        "CP866", "KOI8-R", "Shift_JIS", "CP932", "BIG5", "EUC-KR", "CP65001",
        "MACINTOSH", "", "UTF-7", "unicode-1-1-utf-7", "csUnicode11UTF7", "CP65000",
        "GB18030", "CP54936",
    };
    static const char *unknown[] = {
        "NOT-A-CHARSET", "CP99999", "ISO-8859-12", "UTF-9", "CP", "WINDOWS-", "UTF-8//IGNORE",
        "UTF-7//TRANSLIT", "CP50220", "CP1150",
    };
    size_t i;

    begin("names");
    for (i = 0; i < sizeof known / sizeof *known; i++) {
        iconv_t cd = iconv_open(known[i], "UTF-8");
        check(cd != (iconv_t)-1, __LINE__, known[i]);
        if (cd != (iconv_t)-1)
            CHECK(iconv_close(cd) == 0);
    }
    for (i = 0; i < sizeof unknown / sizeof *unknown; i++) {
        iconv_t cd;
        errno = 0;
        cd = iconv_open("UTF-8", unknown[i]);
        check(cd == (iconv_t)-1 && errno == EINVAL, __LINE__, unknown[i]);
        errno = 0;
        cd = iconv_open(unknown[i], "UTF-8");
        check(cd == (iconv_t)-1 && errno == EINVAL, __LINE__, unknown[i]);
    }
    /* The GNU libiconv names are the same functions. */
    {
        iconv_t cd = libiconv_open("CP1252", "UTF-8");
        char in[] = "\xC3\xA9", out[4], *inp = in, *outp = out;
        size_t in_left = 2, out_left = sizeof out;
        CHECK(cd != (iconv_t)-1);
        CHECK(libiconv(cd, &inp, &in_left, &outp, &out_left) == 0);
        CHECK(out_left == 3 && (unsigned char)out[0] == 0xE9);
        CHECK(libiconv_close(cd) == 0);
    }
}

static void test_single_byte_pages(void)
{
    unsigned char all[256];
    struct result utf8, back;
    int i;

    begin("single-byte");
    /* "Grüße €" */
    ROUND_TRIP("CP1252", "UTF-8", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC", "Gr\xFC\xDF" "e \x80");
    ROUND_TRIP("windows-1252", "utf-8", "\xE2\x80\x9Cq\xE2\x80\x9D", "\x93q\x94");
    ROUND_TRIP("ISO-8859-15", "UTF-8", "\xE2\x82\xAC", "\xA4");
    ROUND_TRIP("CP850", "UTF-8", "\xC3\x87", "\x80");
    ROUND_TRIP("KOI8-R", "UTF-8", "\xD0\x9F\xD1\x80\xD0\xB8", "\xF0\xD2\xC9");
    ROUND_TRIP("US-ASCII", "UTF-8", "plain text", "plain text");

    /* ISO-8859-1 is every byte as the character of the same number. */
    for (i = 0; i < 256; i++)
        all[i] = (unsigned char)i;
    utf8 = convert("UTF-8", "ISO-8859-1", all, 256, sizeof utf8.out);
    CHECK(utf8.ret == 0 && utf8.written == 128 + 2 * 128);
    CHECK(!memcmp(utf8.out + 0xE9 + (0xE9 - 0x80), "\xC3\xA9", 2));
    back = convert("ISO-8859-1", "UTF-8", utf8.out, utf8.written, sizeof back.out);
    CHECK(back.ret == 0 && back.written == 256 && !memcmp(back.out, all, 256));
}

/* The EBCDIC pages with the euro, made from their base pages where Windows
 * lacks them: "€Ä[#!|é" on each, as the C library of Linux writes it. */
static void test_ebcdic_euro_pages(void)
{
    static const struct { const char *name, *bytes; } pages[] = {
        {"IBM-1140", "\x9F\x63\xBA\x7B\x5A\x4F\x51"},
        {"IBM01141", "\x9F\x4A\x63\x7B\x4F\xBB\x51"},
        {"CCSID01142", "\x5A\x63\x9E\x4A\x4F\xBB\x51"},
        {"CP1143", "\x5A\x7B\xB5\x63\x4F\xBB\x79"},
        {"IBM-1144", "\x9F\x63\x90\xB1\x4F\xBB\x5A"},
        {"IBM01145", "\x9F\x63\x4A\x69\xBB\x4F\x51"},
        {"CCSID01146", "\x9F\x63\xB1\x7B\x5A\x4F\x51"},
        {"CP1147", "\x9F\x63\x90\xB1\x4F\xBB\xC0"},
        {"IBM-1148", "\x9F\x63\x4A\x7B\x4F\xBB\x51"},
        {"ebcdic-is-871+euro", "\x9F\x63\xAE\x7B\x4F\xBB\x51"},
    };
    static const char text[] = "\xE2\x82\xAC\xC3\x84[#!|\xC3\xA9";
    struct result r;
    size_t i;

    begin("ebcdic-euro");
    for (i = 0; i < sizeof pages / sizeof *pages; i++)
        round_trip(__LINE__, pages[i].name, "UTF-8", text, sizeof text - 1, pages[i].bytes, 7);
    /* The currency sign gave its place to the euro. */
    r = convert("IBM-1141", "UTF-8", "\xC2\xA4", 2, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 0);
}

static void test_unicode_forms(void)
{
    struct result r;

    begin("unicode");
    /* "A€𝄞": one, three and four bytes in UTF-8; the last a surrogate pair. */
    ROUND_TRIP("UTF-16LE", "UTF-8", "A\xE2\x82\xAC\xF0\x9D\x84\x9E", "A\0\xAC\x20\x34\xD8\x1E\xDD");
    ROUND_TRIP("UTF-16BE", "UTF-8", "A\xE2\x82\xAC\xF0\x9D\x84\x9E", "\0A\x20\xAC\xD8\x34\xDD\x1E");
    ROUND_TRIP("UTF-32LE", "UTF-8", "A\xF0\x9D\x84\x9E", "A\0\0\0\x1E\xD1\x01\0");
    ROUND_TRIP("UTF-32BE", "UTF-8", "A\xF0\x9D\x84\x9E", "\0\0\0A\0\x01\xD1\x1E");
    ROUND_TRIP("CP1252", "UTF-16LE", "\xAC\x20" "a\0", "\x80" "a");

    /* UTF-16 and UTF-32 write a BOM (big-endian), and read either. */
    r = convert("UTF-16", "UTF-8", "Ab", 2, sizeof r.out);
    CHECK(r.ret == 0 && r.written == 6 && !memcmp(r.out, "\xFE\xFF\0A\0b", 6));
    r = convert("UTF-32", "UTF-8", "A", 1, sizeof r.out);
    CHECK(r.ret == 0 && r.written == 8 && !memcmp(r.out, "\0\0\xFE\xFF\0\0\0A", 8));
    r = convert("UTF-8", "UTF-16", "\xFF\xFE" "A\0\xAC\x20", 6, sizeof r.out);
    CHECK(r.ret == 0 && r.written == 4 && !memcmp(r.out, "A\xE2\x82\xAC", 4));
    r = convert("UTF-8", "UTF-16", "\xFE\xFF\0A", 4, sizeof r.out);
    CHECK(r.ret == 0 && r.written == 1 && r.out[0] == 'A');
    r = convert("UTF-8", "UTF-16", "\0A", 2, sizeof r.out); /* no BOM: big-endian */
    CHECK(r.ret == 0 && r.written == 1 && r.out[0] == 'A');
    r = convert("UTF-8", "UTF-32", "\xFF\xFE\0\0" "A\0\0\0", 8, sizeof r.out);
    CHECK(r.ret == 0 && r.written == 1 && r.out[0] == 'A');
    /* A BOM alone is consumed and gives nothing. */
    r = convert("UTF-8", "UTF-16", "\xFF\xFE", 2, sizeof r.out);
    CHECK(r.ret == 0 && r.consumed == 2 && r.written == 0);
}

static void test_multi_byte_pages(void)
{
    begin("multi-byte");
    ROUND_TRIP("CP932", "UTF-8", "\xE6\x97\xA5\xE6\x9C\xAC" "a", "\x93\xFA\x96\x7B" "a");
    ROUND_TRIP("SHIFT_JIS", "UTF-16LE", "\xE5\x65", "\x93\xFA");
}

/* GB18030, ours over code page 936: one, two and four bytes, and past the
 * BMP. */
static void test_gb18030(void)
{
    struct result r;

    begin("gb18030");
    /* "é€" (the euro at A2E3, not at 936's 80), U+0080 and U+FFFF (the
     * first and last four-byte codes of the BMP), U+E76C (936's private
     * character at A2E3, four bytes here), and the ends of the planes. */
    ROUND_TRIP("GB18030", "UTF-8", "a\xC3\xA9\xE2\x82\xAC", "a\xA8\xA6\xA2\xE3");
    ROUND_TRIP("GB18030", "UTF-8", "\xC2\x80\xEF\xBF\xBF\xEE\x9D\xAC",
               "\x81\x30\x81\x30\x84\x31\xA4\x39\x83\x36\xC7\x39");
    ROUND_TRIP("GB18030", "UTF-8", "\xF0\x90\x80\x80\xF0\x9D\x84\x9E\xF4\x8F\xBF\xBF",
               "\x90\x30\x81\x30\x94\x32\xBE\x34\xE3\x32\x9A\x35");
    ROUND_TRIP("CP54936", "UTF-16LE", "\x2D\x4E", "\xD6\xD0");
    /* Cut off: EINVAL; no character, or out of the structure: EILSEQ. */
    r = convert("UTF-8", "GB18030", "a\x81\x30\x81", 4, sizeof r.out);
    CHECK(r.error == EINVAL && r.consumed == 1 && r.written == 1);
    r = convert("UTF-8", "GB18030", "\xD6", 1, sizeof r.out);
    CHECK(r.error == EINVAL && r.consumed == 0);
    r = convert("UTF-8", "GB18030", "\x80", 1, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 0);
    r = convert("UTF-8", "GB18030", "\x84\x31\xA5\x30", 4, sizeof r.out);  /* past U+FFFF */
    CHECK(r.error == EILSEQ && r.consumed == 0);
    r = convert("UTF-8", "GB18030", "\xE3\x32\x9A\x36", 4, sizeof r.out);  /* past U+10FFFF */
    CHECK(r.error == EILSEQ && r.consumed == 0);
    r = convert("UTF-8", "GB18030", "\x81\x30\x7F", 3, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 0);
    /* A four-byte character goes out whole or not at all. */
    r = convert("GB18030", "UTF-8", "\xC2\x80", 2, 3);
    CHECK(r.error == E2BIG && r.consumed == 0 && r.written == 0);
}

/* ISO-2022-JP keeps a shift state: the escape goes out with the first
 * character of a set, and a flush returns to ASCII, or says E2BIG. */
static void test_iso2022jp(void)
{
    iconv_t cd = iconv_open("ISO-2022-JP", "UTF-8");
    struct result r;
    char out[8], *outp = out;
    size_t out_left = 2;

    begin("iso-2022-jp");
    r = run(cd, "\xE6\x97\xA5", 3, 64);                  /* U+65E5 */
    CHECK(r.ret == 0 && r.written == 5 && !memcmp(r.out, "\x1B$BF|", 5));
    CHECK(iconv(cd, NULL, NULL, &outp, &out_left) == (size_t)-1 && errno == E2BIG);
    CHECK(outp == out && out_left == 2);
    out_left = sizeof out;
    CHECK(iconv(cd, NULL, NULL, &outp, &out_left) == 0);
    CHECK(outp == out + 3 && !memcmp(out, "\x1B(B", 3));
    r = run(cd, "A\xC2\xA5", 3, 64);                       /* "A", then the yen sign */
    CHECK(r.ret == 0 && r.written == 5 && !memcmp(r.out, "A\x1B(J\\", 5));
    iconv_close(cd);

    /* An escape cut off is EINVAL; given whole, it switches the set. */
    cd = iconv_open("UTF-8", "ISO-2022-JP");
    r = run(cd, "\x1B$", 2, 64);
    CHECK(r.error == EINVAL && r.consumed == 0);
    r = run(cd, "\x1B$BF|\x1B(Bx", 9, 64);
    CHECK(r.ret == 0 && r.written == 4 && !memcmp(r.out, "\xE6\x97\xA5x", 4));
    r = run(cd, "\x1B$Z", 3, 64);
    CHECK(r.error == EILSEQ);
    iconv_close(cd);

    /* UCS-2 and UCS-4 write no BOM, as GNU libiconv. */
    r = convert("UCS-2", "UTF-8", "A", 1, sizeof r.out);
    CHECK(r.ret == 0 && r.written == 2 && !memcmp(r.out, "\0A", 2));
    r = convert("UCS-4", "UTF-8", "A", 1, sizeof r.out);
    CHECK(r.ret == 0 && r.written == 4 && !memcmp(r.out, "\0\0\0A", 4));
}

/* UTF-7 keeps a shift state, and base64 bits that belong to the next
 * character, across calls; a flush closes the run, or says E2BIG. */
static void test_utf7(void)
{
    iconv_t cd = iconv_open("UTF-7", "UTF-8");
    struct result r;
    char out[8], *outp = out;
    size_t out_left;

    begin("utf-7");
    /* '-' after a run only where the next byte needs it; '+' as "+-"
     * outside a run and in base64 inside one; set O in base64. */
    ROUND_TRIP("UTF-7", "UTF-8", "Gr\xC3\xBC\xC3\x9F" "e, a+b!", "Gr+APwA3w-e, a+-b+ACE-");
    ROUND_TRIP("UTF-7", "UTF-8", "\xC3\xA9-\xC3\xA9" "a\xC3\xA9 \xC3\xA9+", "+AOk--+AOk-a+AOk +AOkAKw-");
    ROUND_TRIP("UNICODE-1-1-UTF-7", "UTF-8", "\xF0\x9F\x94\x9E", "+2D3dHg-");

    /* "é" twice in two calls, "+AOkA6Q-": one run, written in whole base64
     * bytes, the spare bits carried over to the next call and the flush. */
    r = run(cd, "\xC3\xA9", 2, 2);                      /* "+AO" does not fit */
    CHECK(r.error == E2BIG && r.consumed == 0 && r.written == 0);
    r = run(cd, "\xC3\xA9", 2, 64);
    CHECK(r.ret == 0 && r.written == 3 && !memcmp(r.out, "+AO", 3));
    r = run(cd, "\xC3\xA9", 2, 64);
    CHECK(r.ret == 0 && r.written == 3 && !memcmp(r.out, "kA6", 3));
    out_left = 1;
    CHECK(iconv(cd, NULL, NULL, &outp, &out_left) == (size_t)-1 && errno == E2BIG);
    CHECK(outp == out && out_left == 1);
    out_left = sizeof out;
    CHECK(iconv(cd, NULL, NULL, &outp, &out_left) == 0);
    CHECK(outp == out + 2 && !memcmp(out, "Q-", 2));
    r = run(cd, "\xC3\xA9", 2, 64);                     /* a new run */
    CHECK(r.ret == 0 && r.written == 3 && !memcmp(r.out, "+AO", 3));
    iconv_close(cd);

    /* Read in pieces: a character cut off is EINVAL at its first byte. */
    cd = iconv_open("UTF-8", "UTF-7");
    r = run(cd, "+AOkA", 5, 64);
    CHECK(r.error == EINVAL && r.consumed == 4 && r.written == 2 && !memcmp(r.out, "\xC3\xA9", 2));
    r = run(cd, "A6Q-x", 5, 64);
    CHECK(r.ret == 0 && r.written == 3 && !memcmp(r.out, "\xC3\xA9x", 3));
    r = run(cd, "a+", 2, 64);
    CHECK(r.error == EINVAL && r.consumed == 1);
    iconv_close(cd);

    /* Not UTF-7: spare bits not zero, a run cut inside a character, "+"
     * before neither base64 nor '-', a byte that must be in base64, a lone
     * surrogate. */
    r = convert("UTF-8", "UTF-7", "+AOl-", 5, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 4 && r.written == 2);
    r = convert("UTF-8", "UTF-7", "+AO-", 4, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 1 && r.written == 0);
    r = convert("UTF-8", "UTF-7", "+!", 2, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 0);
    r = convert("UTF-8", "UTF-7", "a~", 2, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 1);
    r = convert("UTF-8", "UTF-7", "+2D0-", 5, sizeof r.out);
    CHECK(r.error == EILSEQ);
}

static void test_invalid_input(void)
{
    struct result r;

    begin("invalid");
    /* What comes before the bad byte is converted and consumed; the input
     * then points at the bad byte. */
    r = convert("UTF-16LE", "UTF-8", "ab\xFF" "cd", 5, sizeof r.out);
    CHECK(r.ret == (size_t)-1 && r.error == EILSEQ && r.consumed == 2 && r.written == 4);
    r = convert("UTF-16LE", "UTF-8", "\xC0\xAF", 2, sizeof r.out);      /* overlong "/" */
    CHECK(r.error == EILSEQ && r.consumed == 0);
    r = convert("UTF-16LE", "UTF-8", "\xED\xA0\x80", 3, sizeof r.out);  /* a surrogate */
    CHECK(r.error == EILSEQ && r.consumed == 0);
    r = convert("UTF-16LE", "UTF-8", "\xF4\x90\x80\x80", 4, sizeof r.out); /* past U+10FFFF */
    CHECK(r.error == EILSEQ && r.consumed == 0);
    r = convert("UTF-8", "UTF-16LE", "a\0\x00\xDC", 4, sizeof r.out);   /* lone low surrogate */
    CHECK(r.error == EILSEQ && r.consumed == 2 && r.written == 1);
    r = convert("UTF-8", "UTF-16LE", "\x00\xD8" "a\0", 4, sizeof r.out); /* high, then no low */
    CHECK(r.error == EILSEQ && r.consumed == 0);
    r = convert("UTF-8", "US-ASCII", "a\x80", 2, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 1 && r.written == 1);
    r = convert("UTF-8", "UTF-32LE", "\0\0\x11\0", 4, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 0);

    /* Characters the target cannot hold: no '?' and no best-fit letter. */
    r = convert("ISO-8859-1", "UTF-8", "x\xE2\x82\xAC", 4, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 1 && r.written == 1);
    r = convert("CP1252", "UTF-8", "\xC4\x80", 2, sizeof r.out);          /* A with macron */
    CHECK(r.error == EILSEQ && r.consumed == 0 && r.written == 0);
    r = convert("CP1252", "UTF-8", "\xE6\xBC\xA2", 3, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 0);
    r = convert("CP932", "UTF-8", "\xC3\xA9", 2, sizeof r.out);
    CHECK(r.error == EILSEQ && r.consumed == 0);
    r = convert("US-ASCII", "UTF-8", "\xC3\xA9", 2, sizeof r.out);
    CHECK(r.error == EILSEQ);
    r = convert("UCS-2LE", "UTF-8", "\xF0\x9D\x84\x9E", 4, sizeof r.out);
    CHECK(r.error == EILSEQ);
}

static void test_incomplete_input(void)
{
    iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    struct result r;
    char rest[] = "\xE2\x82\xAC";

    begin("incomplete");
    /* A character cut off at the end: EINVAL, the input left at its start. */
    r = run(cd, "ab\xE2\x82", 4, 64);
    CHECK(r.error == EINVAL && r.consumed == 2 && r.written == 4);
    /* Fed again with the whole character, the conversion goes on. */
    r = run(cd, rest, 3, 64);
    CHECK(r.ret == 0 && r.written == 2 && !memcmp(r.out, "\xAC\x20", 2));
    iconv_close(cd);

    r = convert("UTF-16LE", "UTF-8", "\xF0\x9D\x84", 3, sizeof r.out);
    CHECK(r.error == EINVAL && r.consumed == 0);
    /* A prefix that can never become a character is EILSEQ, not EINVAL. */
    r = convert("UTF-16LE", "UTF-8", "\xE0\x80", 2, sizeof r.out);
    CHECK(r.error == EILSEQ);
    r = convert("UTF-8", "UTF-16LE", "a\0b", 3, sizeof r.out);          /* half a unit */
    CHECK(r.error == EINVAL && r.consumed == 2 && r.written == 1);
    r = convert("UTF-8", "UTF-16LE", "\x34\xD8\x1E", 3, sizeof r.out);  /* half a pair */
    CHECK(r.error == EINVAL && r.consumed == 0);
    r = convert("UTF-8", "UTF-32BE", "\0\0", 2, sizeof r.out);
    CHECK(r.error == EINVAL && r.consumed == 0);
    r = convert("UTF-8", "CP932", "a\x93", 2, sizeof r.out);            /* a lead byte */
    CHECK(r.error == EINVAL && r.consumed == 1 && r.written == 1);
}

static void test_full_output(void)
{
    iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    struct result r;
    const char text[] = "h\xC3\xA9llo"; /* "héllo": 6 bytes, 5 characters */

    begin("e2big");
    /* Five bytes of room: two characters fit, the third does not; exactly
     * the input behind the two is consumed. */
    r = run(cd, text, 6, 5);
    CHECK(r.error == E2BIG && r.consumed == 3 && r.written == 4 && !memcmp(r.out, "h\0\xE9\0", 4));
    r = run(cd, text + 3, 3, 64);
    CHECK(r.ret == 0 && r.written == 6 && !memcmp(r.out, "l\0l\0o\0", 6));
    r = run(cd, text, 6, 0);
    CHECK(r.error == E2BIG && r.consumed == 0 && r.written == 0);
    iconv_close(cd);

    /* A multi-byte character is never split over two output buffers. */
    r = convert("UTF-8", "CP1252", "a\x80", 2, 3);
    CHECK(r.error == E2BIG && r.consumed == 1 && r.written == 1);
    r = convert("CP932", "UTF-8", "\xE6\x97\xA5", 3, 1);
    CHECK(r.error == E2BIG && r.consumed == 0 && r.written == 0);
    /* The BOM and the first character go out together or not at all. */
    r = convert("UTF-16", "UTF-8", "A", 1, 3);
    CHECK(r.error == E2BIG && r.consumed == 0 && r.written == 0);
}

static void test_reset(void)
{
    iconv_t cd = iconv_open("UTF-16", "UTF-8");
    struct result r;
    char out[8], *outp = out;
    size_t out_left = sizeof out;

    begin("reset");
    r = run(cd, "A", 1, 64);
    CHECK(r.written == 4 && !memcmp(r.out, "\xFE\xFF\0A", 4));
    r = run(cd, "B", 1, 64);                         /* no second BOM */
    CHECK(r.written == 2 && !memcmp(r.out, "\0B", 2));
    /* A NULL input returns to the initial state, writing nothing. */
    CHECK(iconv(cd, NULL, NULL, &outp, &out_left) == 0);
    CHECK(outp == out && out_left == sizeof out);
    CHECK(iconv(cd, NULL, NULL, NULL, NULL) == 0);
    r = run(cd, "C", 1, 64);                         /* a BOM again */
    CHECK(r.written == 4 && !memcmp(r.out, "\xFE\xFF\0C", 4));
    iconv_close(cd);

    /* On input, the byte order that a BOM set lasts until the reset. */
    cd = iconv_open("UTF-8", "UTF-16");
    r = run(cd, "\xFF\xFE" "A\0", 4, 64);
    CHECK(r.ret == 0 && r.written == 1 && r.out[0] == 'A');
    r = run(cd, "B\0", 2, 64);
    CHECK(r.ret == 0 && r.written == 1 && r.out[0] == 'B');
    CHECK(iconv(cd, NULL, NULL, NULL, NULL) == 0);
    r = run(cd, "\0C", 2, 64);
    CHECK(r.ret == 0 && r.written == 1 && r.out[0] == 'C');
    iconv_close(cd);
}

int main(void)
{
    test_names();
    test_single_byte_pages();
    test_unicode_forms();
    test_ebcdic_euro_pages();
    test_multi_byte_pages();
    test_gb18030();
    test_iso2022jp();
    test_utf7();
    test_invalid_input();
    test_incomplete_input();
    test_full_output();
    test_reset();
    printf("%d passed, %d failed\n", passed, failed);
    return failed != 0;
}
