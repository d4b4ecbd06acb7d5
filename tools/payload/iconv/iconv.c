/* iconv.dll: the standard iconv interface on top of the Windows code-page
 * functions.
 *
 * Every conversion goes one character at a time through a Unicode code
 * point: decode one character of the input, encode it into a small buffer,
 * and only when the whole of it fits into the caller's output are both sides
 * advanced. That keeps the counts exact when the output fills up (E2BIG) or
 * the input stops in the middle of a character (EINVAL), which is what
 * libxml2's push parser relies on when it feeds a document in pieces.
 *
 * The Unicode forms, ASCII and ISO-8859-1 are done here; any other code page
 * goes through MultiByteToWideChar and WideCharToMultiByte. Conversions never
 * substitute: a character that the target cannot hold is EILSEQ, so the
 * return value (the count of irreversible conversions) is always 0. */

#define VEK_ICONV_BUILDING
#include "iconv.h"

#include <windows.h>
#include <ctype.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>

enum kind { K_UTF8, K_UTF16, K_UTF32, K_ASCII, K_LATIN1, K_SBCS, K_MBCS };

/* One side of a conversion: the character set and what the Windows code
 * page needs to be used quickly and strictly. */
struct charset {
    enum kind kind;
    int big_endian; /* UTF-16/32: byte order when there is no BOM */
    int bom;        /* UTF-16/32: a BOM is honoured on input, written on output */
    int bmp_only;   /* UCS-2: no surrogate pairs */
    UINT cp;
    int max_len;    /* K_MBCS: longest character, in bytes */
    int strict_flags; /* K_MBCS: WideCharToMultiByte takes WC_NO_BEST_FIT_CHARS */
    /* K_SBCS: each byte's character, and the reverse map sorted by character,
     * so that single-byte pages (most of what a document uses) take no call
     * into Windows per character. */
    WCHAR to_unicode[256];
    unsigned char valid[256];
    struct { WCHAR u; unsigned char b; } from_unicode[256];
    int from_unicode_count;
};

struct conv {
    struct charset from, to;
    int in_bom_pending;  /* still looking for a BOM at the start of input */
    int in_big_endian;
    int out_bom_pending; /* the BOM still has to go before the next character */
};

/* ---------------------------------------------------------------- names */

struct alias {
    const char *name;
    enum kind kind;
    int big_endian, bom, bmp_only;
    UINT cp;
};

static const struct alias unicode_names[] = {
    {"UTF-8", K_UTF8, 0, 0, 0, 65001},     {"UTF8", K_UTF8, 0, 0, 0, 65001},
    {"UTF-16", K_UTF16, 1, 1, 0, 0},       {"UTF16", K_UTF16, 1, 1, 0, 0},
    {"UTF-16LE", K_UTF16, 0, 0, 0, 1200},  {"UTF16LE", K_UTF16, 0, 0, 0, 1200},
    {"UTF-16BE", K_UTF16, 1, 0, 0, 1201},  {"UTF16BE", K_UTF16, 1, 0, 0, 1201},
    {"UCS-2", K_UTF16, 1, 1, 1, 0},        {"UCS2", K_UTF16, 1, 1, 1, 0},
    {"UCS-2LE", K_UTF16, 0, 0, 1, 0},      {"UCS-2BE", K_UTF16, 1, 0, 1, 0},
    {"UNICODELITTLE", K_UTF16, 0, 0, 1, 0}, {"UNICODEBIG", K_UTF16, 1, 0, 1, 0},
    {"WCHAR_T", K_UTF16, 0, 0, 0, 1200},
    {"UTF-32", K_UTF32, 1, 1, 0, 0},       {"UTF32", K_UTF32, 1, 1, 0, 0},
    {"UTF-32LE", K_UTF32, 0, 0, 0, 12000}, {"UTF32LE", K_UTF32, 0, 0, 0, 12000},
    {"UTF-32BE", K_UTF32, 1, 0, 0, 12001}, {"UTF32BE", K_UTF32, 1, 0, 0, 12001},
    {"UCS-4", K_UTF32, 1, 1, 0, 0},        {"UCS4", K_UTF32, 1, 1, 0, 0},
    {"UCS-4LE", K_UTF32, 0, 0, 0, 0},      {"UCS-4BE", K_UTF32, 1, 0, 0, 0},
    {"ASCII", K_ASCII, 0, 0, 0, 20127},    {"US-ASCII", K_ASCII, 0, 0, 0, 20127},
    {"US", K_ASCII, 0, 0, 0, 20127},       {"ANSI_X3.4-1968", K_ASCII, 0, 0, 0, 20127},
    {"ANSI_X3.4-1986", K_ASCII, 0, 0, 0, 20127}, {"ISO646-US", K_ASCII, 0, 0, 0, 20127},
    {"ISO_646.IRV:1991", K_ASCII, 0, 0, 0, 20127}, {"IBM367", K_ASCII, 0, 0, 0, 20127},
    {"ISO-8859-1", K_LATIN1, 0, 0, 0, 28591}, {"ISO8859-1", K_LATIN1, 0, 0, 0, 28591},
    {"ISO_8859-1", K_LATIN1, 0, 0, 0, 28591}, {"ISO_8859-1:1987", K_LATIN1, 0, 0, 0, 28591},
    {"LATIN1", K_LATIN1, 0, 0, 0, 28591},  {"L1", K_LATIN1, 0, 0, 0, 28591},
    {"IBM819", K_LATIN1, 0, 0, 0, 28591},  {"ISO-IR-100", K_LATIN1, 0, 0, 0, 28591},
};

/* Names of code pages that are not of the form CPnnn, WINDOWS-nnn or
 * ISO-8859-n. */
static const struct { const char *name; UINT cp; } code_page_names[] = {
    {"LATIN2", 28592}, {"LATIN3", 28593}, {"LATIN4", 28594}, {"CYRILLIC", 28595},
    {"ARABIC", 28596}, {"GREEK", 28597}, {"HEBREW", 28598}, {"LATIN5", 28599},
    {"LATIN7", 28603}, {"LATIN9", 28605}, {"LATIN-9", 28605},
    {"KOI8-R", 20866}, {"KOI8-U", 21866}, {"KOI8-RU", 21866},
    {"SHIFT_JIS", 932}, {"SHIFT-JIS", 932}, {"SJIS", 932}, {"MS_KANJI", 932},
    {"CSSHIFTJIS", 932}, {"WINDOWS-31J", 932}, {"EUC-JP", 20932}, {"EUCJP", 20932},
    {"GB2312", 936}, {"EUC-CN", 936}, {"EUCCN", 936}, {"GBK", 936},
    {"GB18030", 54936}, {"BIG5", 950}, {"BIG-5", 950}, {"CN-BIG5", 950},
    {"EUC-KR", 949}, {"EUCKR", 949}, {"UHC", 949}, {"JOHAB", 1361},
    {"TIS-620", 874}, {"TIS620", 874}, {"MACINTOSH", 10000}, {"MAC", 10000},
    {"MACROMAN", 10000}, {"MS-ANSI", 1252}, {"MS-EE", 1250}, {"MS-CYRL", 1251},
    {"MS-GREEK", 1253}, {"MS-TURK", 1254}, {"MS-HEBR", 1255}, {"MS-ARAB", 1256},
};

/* ISO-8859-n as Windows numbers them; 0 where Windows has no such page. */
static const UINT iso8859_pages[17] = {
    0, 28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599,
    0, 0, 0, 28603, 0, 28605, 0,
};

/* Code pages whose characters depend on a shift state or on what came
 * before (ISO-2022, HZ, UTF-7, ISCII): MultiByteToWideChar converts them
 * only as whole strings and cannot tell where a character ends or whether
 * it was valid, so they are refused rather than converted wrongly. */
static int stateful_code_page(UINT cp)
{
    return (cp >= 50220 && cp <= 50229) || cp == 52936 || cp == 65000 ||
           (cp >= 57002 && cp <= 57011) || cp == 42;
}

static int parse_number(const char *s, UINT *out)
{
    unsigned long n = 0;
    if (!*s)
        return 0;
    for (; *s; s++) {
        if (*s < '0' || *s > '9' || n > 100000)
            return 0;
        n = n * 10 + (unsigned long)(*s - '0');
    }
    *out = (UINT)n;
    return 1;
}

static int starts_with(const char *s, const char *prefix, const char **rest)
{
    size_t n = strlen(prefix);
    if (strncmp(s, prefix, n) != 0)
        return 0;
    *rest = s + n;
    return 1;
}

/* The code page that a name other than the Unicode ones stands for, or 0. */
static UINT code_page_of(const char *name)
{
    const char *rest;
    UINT n;
    size_t i;

    /* "" and "CHAR" are the locale's own character set, as in GNU libiconv. */
    if (!*name || !strcmp(name, "CHAR"))
        return GetACP();
    for (i = 0; i < sizeof code_page_names / sizeof *code_page_names; i++)
        if (!strcmp(name, code_page_names[i].name))
            return code_page_names[i].cp;
    if ((starts_with(name, "CP", &rest) || starts_with(name, "WINDOWS-", &rest) ||
         starts_with(name, "IBM", &rest) || starts_with(name, "MS", &rest)) &&
        parse_number(rest, &n))
        return n;
    if ((starts_with(name, "ISO-8859-", &rest) || starts_with(name, "ISO8859-", &rest) ||
         starts_with(name, "ISO_8859-", &rest)) &&
        parse_number(rest, &n) && n < 17)
        return iso8859_pages[n];
    return 0;
}

/* Fills the tables of a single-byte code page. */
static void load_single_byte(struct charset *cs)
{
    int b, i, j;
    cs->from_unicode_count = 0;
    for (b = 0; b < 256; b++) {
        char byte = (char)b;
        WCHAR w[2];
        cs->valid[b] = MultiByteToWideChar(cs->cp, MB_ERR_INVALID_CHARS, &byte, 1, w, 2) == 1;
        cs->to_unicode[b] = cs->valid[b] ? w[0] : 0;
        if (cs->valid[b]) {
            cs->from_unicode[cs->from_unicode_count].u = w[0];
            cs->from_unicode[cs->from_unicode_count].b = (unsigned char)b;
            cs->from_unicode_count++;
        }
    }
    /* Insertion sort keeps the lower byte first where two bytes share a
     * character, and 256 entries need nothing faster. */
    for (i = 1; i < cs->from_unicode_count; i++) {
        WCHAR u = cs->from_unicode[i].u;
        unsigned char byte = cs->from_unicode[i].b;
        for (j = i; j > 0 && cs->from_unicode[j - 1].u > u; j--)
            cs->from_unicode[j] = cs->from_unicode[j - 1];
        cs->from_unicode[j].u = u;
        cs->from_unicode[j].b = byte;
    }
}

static int use_code_page(struct charset *cs, UINT cp)
{
    CPINFOEXA info;
    size_t i;
    BOOL used = FALSE;
    char probe[8];

    if (cp == 0)
        return 0;
    for (i = 0; i < sizeof unicode_names / sizeof *unicode_names; i++) {
        if (unicode_names[i].cp == cp) {
            cs->kind = unicode_names[i].kind;
            cs->big_endian = unicode_names[i].big_endian;
            cs->bom = unicode_names[i].bom;
            cs->bmp_only = unicode_names[i].bmp_only;
            cs->cp = cp;
            return 1;
        }
    }
    if (stateful_code_page(cp) || !IsValidCodePage(cp) || !GetCPInfoExA(cp, 0, &info))
        return 0;
    cs->cp = cp;
    if (info.MaxCharSize == 1) {
        cs->kind = K_SBCS;
        load_single_byte(cs);
        return 1;
    }
    cs->kind = K_MBCS;
    cs->max_len = (int)info.MaxCharSize;
    /* Some pages (GB18030) refuse WC_NO_BEST_FIT_CHARS and the default-char
     * report; they can encode every character anyway. */
    cs->strict_flags = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, L"A", 1, probe,
                                           sizeof probe, NULL, &used) == 1;
    return 1;
}

static int lookup(const char *name, struct charset *cs)
{
    char upper[64];
    size_t i, n = strlen(name);

    if (n >= sizeof upper)
        return 0;
    for (i = 0; i <= n; i++)
        upper[i] = (char)toupper((unsigned char)name[i]);
    memset(cs, 0, sizeof *cs);
    for (i = 0; i < sizeof unicode_names / sizeof *unicode_names; i++) {
        if (!strcmp(upper, unicode_names[i].name)) {
            cs->kind = unicode_names[i].kind;
            cs->big_endian = unicode_names[i].big_endian;
            cs->bom = unicode_names[i].bom;
            cs->bmp_only = unicode_names[i].bmp_only;
            cs->cp = unicode_names[i].cp;
            return 1;
        }
    }
    return use_code_page(cs, code_page_of(upper));
}

/* ------------------------------------------------------------- decoding */

#define BOM_SEEN (-1)

static unsigned long get16(const unsigned char *p, int big_endian)
{
    return big_endian ? ((unsigned long)p[0] << 8 | p[1]) : ((unsigned long)p[1] << 8 | p[0]);
}

static unsigned long get32(const unsigned char *p, int big_endian)
{
    return big_endian
        ? ((unsigned long)p[0] << 24 | (unsigned long)p[1] << 16 | (unsigned long)p[2] << 8 | p[3])
        : ((unsigned long)p[3] << 24 | (unsigned long)p[2] << 16 | (unsigned long)p[1] << 8 | p[0]);
}

static int decode_utf8(const unsigned char *p, size_t n, unsigned long *c, size_t *used)
{
    unsigned long min, value;
    size_t len, i;

    if (p[0] < 0x80) {
        *c = p[0];
        *used = 1;
        return 0;
    }
    if (p[0] >= 0xC2 && p[0] <= 0xDF) {
        len = 2; min = 0x80; value = p[0] & 0x1F;
    } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
        len = 3; min = 0x800; value = p[0] & 0x0F;
    } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
        len = 4; min = 0x10000; value = p[0] & 0x07;
    } else {
        return EILSEQ;
    }
    for (i = 1; i < len; i++) {
        if (i >= n)
            return EINVAL;
        if ((p[i] & 0xC0) != 0x80)
            return EILSEQ;
        value = value << 6 | (p[i] & 0x3F);
        /* An overlong form, a surrogate or a value past U+10FFFF shows
         * from the first two bytes: say EILSEQ then, not EINVAL, even
         * if the rest has not arrived. */
        if (i == 1) {
            unsigned long low = value << (6 * (len - 2)), high = low | ((1UL << (6 * (len - 2))) - 1);
            if (high < min || low > 0x10FFFF || (low >= 0xD800 && high <= 0xDFFF))
                return EILSEQ;
        }
    }
    *c = value;
    *used = len;
    return 0;
}

static int decode_utf16(struct conv *cd, const unsigned char *p, size_t n, unsigned long *c, size_t *used)
{
    unsigned long w, w2;

    if (n < 2)
        return EINVAL;
    if (cd->in_bom_pending) {
        cd->in_bom_pending = 0;
        if (p[0] == 0xFE && p[1] == 0xFF) { cd->in_big_endian = 1; *used = 2; return BOM_SEEN; }
        if (p[0] == 0xFF && p[1] == 0xFE) { cd->in_big_endian = 0; *used = 2; return BOM_SEEN; }
    }
    w = get16(p, cd->in_big_endian);
    if (w >= 0xDC00 && w <= 0xDFFF)
        return EILSEQ;
    if (w >= 0xD800 && w <= 0xDBFF) {
        if (cd->from.bmp_only)
            return EILSEQ;
        if (n < 4)
            return EINVAL;
        w2 = get16(p + 2, cd->in_big_endian);
        if (w2 < 0xDC00 || w2 > 0xDFFF)
            return EILSEQ;
        *c = 0x10000 + ((w - 0xD800) << 10) + (w2 - 0xDC00);
        *used = 4;
        return 0;
    }
    *c = w;
    *used = 2;
    return 0;
}

static int decode_utf32(struct conv *cd, const unsigned char *p, size_t n, unsigned long *c, size_t *used)
{
    unsigned long v;

    if (n < 4)
        return EINVAL;
    if (cd->in_bom_pending) {
        cd->in_bom_pending = 0;
        if (!memcmp(p, "\0\0\xFE\xFF", 4)) { cd->in_big_endian = 1; *used = 4; return BOM_SEEN; }
        if (!memcmp(p, "\xFF\xFE\0\0", 4)) { cd->in_big_endian = 0; *used = 4; return BOM_SEEN; }
    }
    v = get32(p, cd->in_big_endian);
    if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return EILSEQ;
    *c = v;
    *used = 4;
    return 0;
}

/* One character of a multi-byte code page. */
static int decode_mbcs(const struct charset *cs, const unsigned char *p, size_t n,
                       unsigned long *c, size_t *used)
{
    WCHAR w[4];
    int got = 0;
    size_t len = 0;

    if (cs->max_len == 2) {
        len = IsDBCSLeadByteEx(cs->cp, p[0]) ? 2 : 1;
        if (len > n)
            return EINVAL;
        got = MultiByteToWideChar(cs->cp, MB_ERR_INVALID_CHARS, (const char *)p, (int)len, w, 4);
    } else {
        /* Longer characters (GB18030): the shortest prefix that Windows
         * takes for a whole character is the character. */
        for (len = 1; len <= (size_t)cs->max_len && len <= n; len++) {
            got = MultiByteToWideChar(cs->cp, MB_ERR_INVALID_CHARS, (const char *)p, (int)len, w, 4);
            if (got > 0)
                break;
        }
        if (got <= 0)
            return n < (size_t)cs->max_len ? EINVAL : EILSEQ;
    }
    if (got == 1 && !(w[0] >= 0xD800 && w[0] <= 0xDFFF)) {
        *c = w[0];
    } else if (got == 2 && w[0] >= 0xD800 && w[0] <= 0xDBFF && w[1] >= 0xDC00 && w[1] <= 0xDFFF) {
        *c = 0x10000 + (((unsigned long)w[0] - 0xD800) << 10) + (w[1] - 0xDC00);
    } else {
        return EILSEQ;
    }
    *used = len;
    return 0;
}

/* Reads one character: 0, EILSEQ, EINVAL, or BOM_SEEN when a byte order
 * mark was taken (it yields no character). */
static int decode(struct conv *cd, const unsigned char *p, size_t n, unsigned long *c, size_t *used)
{
    const struct charset *cs = &cd->from;

    switch (cs->kind) {
    case K_UTF8:
        return decode_utf8(p, n, c, used);
    case K_UTF16:
        return decode_utf16(cd, p, n, c, used);
    case K_UTF32:
        return decode_utf32(cd, p, n, c, used);
    case K_ASCII:
        if (p[0] >= 0x80)
            return EILSEQ;
        *c = p[0];
        *used = 1;
        return 0;
    case K_LATIN1:
        *c = p[0];
        *used = 1;
        return 0;
    case K_SBCS:
        if (!cs->valid[p[0]])
            return EILSEQ;
        *c = cs->to_unicode[p[0]];
        *used = 1;
        return 0;
    case K_MBCS:
        return decode_mbcs(cs, p, n, c, used);
    }
    return EILSEQ;
}

/* ------------------------------------------------------------- encoding */

static void put16(unsigned char *p, unsigned long v, int big_endian)
{
    p[big_endian ? 0 : 1] = (unsigned char)(v >> 8);
    p[big_endian ? 1 : 0] = (unsigned char)v;
}

static void put32(unsigned char *p, unsigned long v, int big_endian)
{
    int i;
    for (i = 0; i < 4; i++)
        p[big_endian ? 3 - i : i] = (unsigned char)(v >> (8 * i));
}

static int encode_sbcs(const struct charset *cs, unsigned long c, unsigned char *out, size_t *n)
{
    int lo = 0, hi = cs->from_unicode_count - 1;

    while (c <= 0xFFFF && lo <= hi) {
        int mid = (lo + hi) / 2;
        if (cs->from_unicode[mid].u == c) {
            /* The first of equal entries: the lowest byte. */
            while (mid > 0 && cs->from_unicode[mid - 1].u == c)
                mid--;
            out[0] = cs->from_unicode[mid].b;
            *n = 1;
            return 0;
        }
        if (cs->from_unicode[mid].u < c)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return EILSEQ;
}

static int encode_mbcs(const struct charset *cs, unsigned long c, unsigned char *out, size_t *n)
{
    WCHAR w[2];
    int wn = 1, got;
    BOOL used_default = FALSE;

    if (c > 0xFFFF) {
        w[0] = (WCHAR)(0xD800 + ((c - 0x10000) >> 10));
        w[1] = (WCHAR)(0xDC00 + ((c - 0x10000) & 0x3FF));
        wn = 2;
    } else {
        w[0] = (WCHAR)c;
    }
    if (cs->strict_flags)
        got = WideCharToMultiByte(cs->cp, WC_NO_BEST_FIT_CHARS, w, wn, (char *)out, 8, NULL, &used_default);
    else
        got = WideCharToMultiByte(cs->cp, 0, w, wn, (char *)out, 8, NULL, NULL);
    if (got <= 0 || used_default)
        return EILSEQ;
    *n = (size_t)got;
    return 0;
}

/* Writes one character (after the BOM, if one is still due) into out, which
 * has room for 16 bytes. */
static int encode(struct conv *cd, unsigned long c, unsigned char *out, size_t *n)
{
    const struct charset *cs = &cd->to;
    size_t bom = 0;

    switch (cs->kind) {
    case K_UTF8:
        if (c < 0x80) {
            out[0] = (unsigned char)c;
            *n = 1;
        } else if (c < 0x800) {
            out[0] = (unsigned char)(0xC0 | c >> 6);
            out[1] = (unsigned char)(0x80 | (c & 0x3F));
            *n = 2;
        } else if (c < 0x10000) {
            out[0] = (unsigned char)(0xE0 | c >> 12);
            out[1] = (unsigned char)(0x80 | (c >> 6 & 0x3F));
            out[2] = (unsigned char)(0x80 | (c & 0x3F));
            *n = 3;
        } else {
            out[0] = (unsigned char)(0xF0 | c >> 18);
            out[1] = (unsigned char)(0x80 | (c >> 12 & 0x3F));
            out[2] = (unsigned char)(0x80 | (c >> 6 & 0x3F));
            out[3] = (unsigned char)(0x80 | (c & 0x3F));
            *n = 4;
        }
        return 0;
    case K_UTF16:
        if (c > 0xFFFF && cs->bmp_only)
            return EILSEQ;
        if (cd->out_bom_pending) {
            put16(out, 0xFEFF, cs->big_endian);
            bom = 2;
        }
        if (c > 0xFFFF) {
            put16(out + bom, 0xD800 + ((c - 0x10000) >> 10), cs->big_endian);
            put16(out + bom + 2, 0xDC00 + ((c - 0x10000) & 0x3FF), cs->big_endian);
            *n = bom + 4;
        } else {
            put16(out + bom, c, cs->big_endian);
            *n = bom + 2;
        }
        return 0;
    case K_UTF32:
        if (cd->out_bom_pending) {
            put32(out, 0xFEFF, cs->big_endian);
            bom = 4;
        }
        put32(out + bom, c, cs->big_endian);
        *n = bom + 4;
        return 0;
    case K_ASCII:
    case K_LATIN1:
        if (c >= (cs->kind == K_ASCII ? 0x80UL : 0x100UL))
            return EILSEQ;
        out[0] = (unsigned char)c;
        *n = 1;
        return 0;
    case K_SBCS:
        return encode_sbcs(cs, c, out, n);
    case K_MBCS:
        return encode_mbcs(cs, c, out, n);
    }
    return EILSEQ;
}

/* ------------------------------------------------------------ interface */

static void reset(struct conv *cd)
{
    cd->in_bom_pending = cd->from.bom;
    cd->in_big_endian = cd->from.big_endian;
    cd->out_bom_pending = cd->to.bom;
}

iconv_t iconv_open(const char *tocode, const char *fromcode)
{
    struct conv *cd;

    if (!tocode || !fromcode) {
        errno = EINVAL;
        return (iconv_t)-1;
    }
    cd = calloc(1, sizeof *cd);
    if (!cd) {
        errno = ENOMEM;
        return (iconv_t)-1;
    }
    if (!lookup(fromcode, &cd->from) || !lookup(tocode, &cd->to)) {
        free(cd);
        errno = EINVAL;
        return (iconv_t)-1;
    }
    reset(cd);
    return cd;
}

size_t iconv(iconv_t handle, char **inbuf, size_t *inbytesleft, char **outbuf, size_t *outbytesleft)
{
    struct conv *cd = handle;
    const unsigned char *in;
    unsigned char *out;
    size_t in_left, out_left;
    int error = 0;

    if (!cd || handle == (iconv_t)-1) {
        errno = EBADF;
        return (size_t)-1;
    }
    /* No input: back to the initial state. None of our encodings has a
     * shift sequence to write, so the output is left alone. */
    if (!inbuf || !*inbuf) {
        reset(cd);
        return 0;
    }
    in = (const unsigned char *)*inbuf;
    in_left = inbytesleft ? *inbytesleft : 0;
    out = outbuf && *outbuf ? (unsigned char *)*outbuf : NULL;
    out_left = out && outbytesleft ? *outbytesleft : 0;

    while (in_left > 0) {
        unsigned long c = 0;
        size_t used = 0, n = 0;
        unsigned char tmp[16];
        int r = decode(cd, in, in_left, &c, &used);

        if (r == BOM_SEEN) {
            in += used;
            in_left -= used;
            continue;
        }
        if (r) {
            error = r;
            break;
        }
        if (encode(cd, c, tmp, &n)) {
            error = EILSEQ;
            break;
        }
        if (n > out_left) {
            error = E2BIG;
            break;
        }
        memcpy(out, tmp, n);
        out += n;
        out_left -= n;
        in += used;
        in_left -= used;
        cd->out_bom_pending = 0;
    }

    *inbuf = (char *)in;
    if (inbytesleft)
        *inbytesleft = in_left;
    if (out) {
        *outbuf = (char *)out;
        *outbytesleft = out_left;
    }
    if (error) {
        errno = error;
        return (size_t)-1;
    }
    return 0;
}

int iconv_close(iconv_t handle)
{
    if (!handle || handle == (iconv_t)-1) {
        errno = EBADF;
        return -1;
    }
    free(handle);
    return 0;
}

iconv_t libiconv_open(const char *tocode, const char *fromcode)
{
    return iconv_open(tocode, fromcode);
}

size_t libiconv(iconv_t cd, char **inbuf, size_t *inbytesleft, char **outbuf, size_t *outbytesleft)
{
    return iconv(cd, inbuf, inbytesleft, outbuf, outbytesleft);
}

int libiconv_close(iconv_t cd)
{
    return iconv_close(cd);
}
