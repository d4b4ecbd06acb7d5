/* Windows code pages, one character at a time, strictly.
 *
 * The system's tables are used as they are, with three guards so that no
 * conversion returns characters other than the text's:
 *  - nothing is ever substituted: MB_ERR_INVALID_CHARS on the way in,
 *    WC_NO_BEST_FIT_CHARS and the default-character report on the way out;
 *  - every character must come back: a decoded character must encode to
 *    bytes that decode to it again, and encoded bytes must decode to the
 *    character given, otherwise the conversion is EILSEQ;
 *  - where a table does not know the encoding's byte structure, the
 *    structure is checked here first. In EUC-JP, 0x8F starts a three-byte
 *    JIS X 0212 character that the table of code page 20932 would read as
 *    U+008F followed by some other character: that table holds JIS X 0212
 *    as two bytes, the second without its high bit, so the character is
 *    decoded (and encoded) in that form instead.
 *
 * Two encodings are made here from other pages of the system: the EBCDIC
 * pages with the euro (1140 to 1149), where this Windows lacks them, and
 * GB18030 (over code page 936, at the end of this file). */

#include "charset.h"

#include <errno.h>
#include <string.h>

/* MultiByteToWideChar on exactly len bytes, which must give one
 * character (or one surrogate pair); 0 or EILSEQ. */
static int raw_decode(const struct charset *cs, const unsigned char *p, size_t len, unsigned long *c)
{
    WCHAR w[4];
    int got = MultiByteToWideChar(cs->cp, MB_ERR_INVALID_CHARS, (const char *)p, (int)len, w, 4);

    if (got == 1 && !(w[0] >= 0xD800 && w[0] <= 0xDFFF)) {
        *c = w[0];
        return 0;
    }
    if (got == 2 && w[0] >= 0xD800 && w[0] <= 0xDBFF && w[1] >= 0xDC00 && w[1] <= 0xDFFF) {
        *c = 0x10000 + (((unsigned long)w[0] - 0xD800) << 10) + (w[1] - 0xDC00);
        return 0;
    }
    return EILSEQ;
}

/* WideCharToMultiByte of one character without any substitution. */
static int raw_encode(const struct charset *cs, unsigned long c, unsigned char *out, size_t *n)
{
    WCHAR w[2];
    int wn = 1, got;
    BOOL used_default = FALSE;

    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return EILSEQ;
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

/* EUC-JP's structure: ASCII; 0x8E and a half-width katakana byte; two
 * bytes of JIS X 0208; 0x8F and two bytes of JIS X 0212. Sets *len, or
 * returns EILSEQ, or EINVAL when the input ends inside a character. */
static int euc_jp_length(const unsigned char *p, size_t n, size_t *len)
{
    size_t i;
    unsigned char lo = 0xA1, hi = 0xFE;

    if (p[0] < 0x80) {
        *len = 1;
        return 0;
    }
    if (p[0] == 0x8E) {
        *len = 2;
        hi = 0xDF;
    } else if (p[0] == 0x8F) {
        *len = 3;
    } else if (p[0] >= 0xA1 && p[0] <= 0xFE) {
        *len = 2;
    } else {
        return EILSEQ;
    }
    for (i = 1; i < *len; i++) {
        if (i >= n)
            return EINVAL;
        if (p[i] < lo || p[i] > hi)
            return EILSEQ;
    }
    return 0;
}

/* The length of the character at p as the page's table sees it. */
static int char_length(const struct charset *cs, const unsigned char *p, size_t n, size_t *len)
{
    unsigned long c;

    if (cs->structure == S_EUC_JP)
        return euc_jp_length(p, n, len);
    if (cs->kind == K_SBCS) {
        *len = 1;
        return 0;
    }
    if (cs->max_len == 2) {
        *len = IsDBCSLeadByteEx(cs->cp, p[0]) ? 2 : 1;
        return *len > n ? EINVAL : 0;
    }
    /* Longer characters: the shortest prefix that Windows takes for a whole
     * character is the character. */
    for (*len = 1; *len <= (size_t)cs->max_len && *len <= n; (*len)++)
        if (raw_decode(cs, p, *len, &c) == 0)
            return 0;
    return n < (size_t)cs->max_len ? EINVAL : EILSEQ;
}

int codepage_decode(const struct charset *cs, const unsigned char *p, size_t n,
                    unsigned long *c, size_t *used)
{
    unsigned char again[8], table[2];
    unsigned long back;
    size_t len, again_len;
    int r;

    if (cs->kind == K_SBCS) {
        if (!cs->valid[p[0]])
            return EILSEQ;
        *c = cs->to_unicode[p[0]];
        *used = 1;
        return 0;
    }
    r = char_length(cs, p, n, &len);
    if (r)
        return r;
    *used = len;
    if (cs->structure == S_EUC_JP && len == 3) {
        /* JIS X 0212, in the table's two-byte form. */
        table[0] = p[1];
        table[1] = (unsigned char)(p[2] & 0x7F);
        p = table;
        len = 2;
    }
    if (raw_decode(cs, p, len, c) || raw_encode(cs, *c, again, &again_len))
        return EILSEQ;
    /* The bytes that the character encodes to may differ (a page may give
     * one character two codes), but they must mean the same character. */
    if ((again_len != len || memcmp(again, p, len) != 0) &&
        (raw_decode(cs, again, again_len, &back) || back != *c))
        return EILSEQ;
    return 0;
}

static int encode_sbcs(const struct charset *cs, unsigned long c, unsigned char *out, size_t *n)
{
    int lo = 0, hi = cs->from_unicode_count - 1;

    while (c <= 0xFFFF && lo <= hi) {
        int mid = (lo + hi) / 2;
        if (cs->from_unicode[mid].u == c) {
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

int codepage_encode(const struct charset *cs, unsigned long c, unsigned char *out, size_t *n)
{
    unsigned long back;
    size_t used;

    if (cs->kind == K_SBCS)
        return encode_sbcs(cs, c, out, n);
    if (raw_encode(cs, c, out, n))
        return EILSEQ;
    if (cs->structure == S_EUC_JP && *n == 2 && out[1] < 0x80) {
        /* The table's form of JIS X 0212: EUC-JP writes 0x8F first. */
        out[2] = (unsigned char)(out[1] | 0x80);
        out[1] = out[0];
        out[0] = 0x8F;
        *n = 3;
    }
    /* The bytes must read back, whole, as the same character. */
    if (codepage_decode(cs, out, *n, &back, &used) || used != *n || back != c)
        return EILSEQ;
    return 0;
}

/* Sorts the reverse map of a single-byte page by character; 256 entries
 * need no faster sort. */
static void sort_reverse_map(struct charset *cs)
{
    int i, j;

    for (i = 1; i < cs->from_unicode_count; i++) {
        WCHAR u = cs->from_unicode[i].u;
        unsigned char byte = cs->from_unicode[i].b;
        for (j = i; j > 0 && cs->from_unicode[j - 1].u > u; j--)
            cs->from_unicode[j] = cs->from_unicode[j - 1];
        cs->from_unicode[j].u = u;
        cs->from_unicode[j].b = byte;
    }
}

/* The tables of a single-byte page: a byte is a character if Windows
 * decodes it and encodes that character back to a byte that means it
 * again; the reverse map holds the byte Windows itself encodes to. */
static void load_single_byte(struct charset *cs)
{
    int b;

    cs->from_unicode_count = 0;
    for (b = 0; b < 256; b++) {
        unsigned char byte = (unsigned char)b, again[8];
        unsigned long c, back;
        size_t len;

        cs->valid[b] = 0;
        if (raw_decode(cs, &byte, 1, &c) || c > 0xFFFF || raw_encode(cs, c, again, &len) ||
            len != 1 || raw_decode(cs, again, 1, &back) || back != c)
            continue;
        cs->valid[b] = 1;
        cs->to_unicode[b] = (WCHAR)c;
        if (again[0] == byte) {
            cs->from_unicode[cs->from_unicode_count].u = (WCHAR)c;
            cs->from_unicode[cs->from_unicode_count].b = byte;
            cs->from_unicode_count++;
        }
    }
    sort_reverse_map(cs);
}

/* A code page of this Windows, as it is. */
static int open_system_page(struct charset *cs, UINT cp)
{
    CPINFOEXA info;
    BOOL used = FALSE;
    char probe[8];

    if (!IsValidCodePage(cp) || !GetCPInfoExA(cp, 0, &info))
        return 0;
    cs->cp = cp;
    /* Some pages refuse WC_NO_BEST_FIT_CHARS and the default-char report;
     * the read-back check still catches any best fit. */
    cs->strict_flags = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, L"A", 1, probe,
                                           sizeof probe, NULL, &used) == 1;
    if (info.MaxCharSize == 1) {
        cs->kind = K_SBCS;
        load_single_byte(cs);
        return 1;
    }
    cs->kind = K_MBCS;
    cs->max_len = (int)info.MaxCharSize;
    return 1;
}

/* ------------------------------------------------- EBCDIC with the euro */

/* The national EBCDIC pages hold the same 256 characters as 037 (all of
 * ISO-8859-1), in other places: each list gives the bytes where a page
 * differs from 037 and its character there, pairs up to a 0 (byte 0 is the
 * same everywhere). They follow IBM's definitions of the pages: the euro
 * pages of the C library of Linux, of ICU and of Java are exactly these
 * with the euro. (Python's cp273 and the C library's 285 have U+203E where
 * IBM has the macron, U+00AF; the C library's 278 and 871 swap two
 * characters against IBM's; their euro pages agree with IBM's.) */
static const unsigned char moves_273[] = {
    0x43, 0x7B, 0x4A, 0xC4, 0x4F, 0x21, 0x59, 0x7E, 0x5A, 0xDC, 0x5F, 0x5E, 0x63, 0x5B,
    0x6A, 0xF6, 0x7C, 0xA7, 0xA1, 0xDF, 0xB0, 0xA2, 0xB5, 0x40, 0xBA, 0xAC, 0xBB, 0x7C,
    0xC0, 0xE4, 0xCC, 0xA6, 0xD0, 0xFC, 0xDC, 0x7D, 0xE0, 0xD6, 0xEC, 0x5C, 0xFC, 0x5D, 0,
};
static const unsigned char moves_277[] = {
    0x47, 0x7D, 0x4A, 0x23, 0x4F, 0x21, 0x5A, 0xA4, 0x5B, 0xC5, 0x5F, 0x5E, 0x67, 0x24,
    0x6A, 0xF8, 0x70, 0xA6, 0x7B, 0xC6, 0x7C, 0xD8, 0x80, 0x40, 0x9C, 0x7B, 0x9E, 0x5B,
    0x9F, 0x5D, 0xA1, 0xFC, 0xB0, 0xA2, 0xBA, 0xAC, 0xBB, 0x7C, 0xC0, 0xE6, 0xD0, 0xE5,
    0xDC, 0x7E, 0,
};
static const unsigned char moves_278[] = {
    0x43, 0x7B, 0x47, 0x7D, 0x4A, 0xA7, 0x4F, 0x21, 0x51, 0x60, 0x5A, 0xA4, 0x5B, 0xC5,
    0x5F, 0x5E, 0x63, 0x23, 0x67, 0x24, 0x6A, 0xF6, 0x71, 0x5C, 0x79, 0xE9, 0x7B, 0xC4,
    0x7C, 0xD6, 0x9F, 0x5D, 0xA1, 0xFC, 0xB0, 0xA2, 0xB5, 0x5B, 0xBA, 0xAC, 0xBB, 0x7C,
    0xC0, 0xE4, 0xCC, 0xA6, 0xD0, 0xE5, 0xDC, 0x7E, 0xE0, 0xC9, 0xEC, 0x40, 0,
};
static const unsigned char moves_280[] = {
    0x44, 0x7B, 0x48, 0x5C, 0x4A, 0xB0, 0x4F, 0x21, 0x51, 0x5D, 0x54, 0x7D, 0x58, 0x7E,
    0x5A, 0xE9, 0x5F, 0x5E, 0x6A, 0xF2, 0x79, 0xF9, 0x7B, 0xA3, 0x7C, 0xA7, 0x90, 0x5B,
    0xA1, 0xEC, 0xB0, 0xA2, 0xB1, 0x23, 0xB5, 0x40, 0xBA, 0xAC, 0xBB, 0x7C, 0xC0, 0xE0,
    0xCD, 0xA6, 0xD0, 0xE8, 0xDD, 0x60, 0xE0, 0xE7, 0,
};
static const unsigned char moves_284[] = {
    0x49, 0xA6, 0x4A, 0x5B, 0x5A, 0x5D, 0x69, 0x23, 0x6A, 0xF1, 0x7B, 0xD1, 0xA1, 0xA8,
    0xB0, 0xA2, 0xBA, 0x5E, 0xBB, 0x21, 0xBD, 0x7E, 0,
};
static const unsigned char moves_285[] = {
    0x4A, 0x24, 0x5B, 0xA3, 0xA1, 0xAF, 0xB0, 0xA2, 0xB1, 0x5B, 0xBA, 0x5E, 0xBC, 0x7E, 0,
};
static const unsigned char moves_297[] = {
    0x44, 0x40, 0x48, 0x5C, 0x4A, 0xB0, 0x4F, 0x21, 0x51, 0x7B, 0x54, 0x7D, 0x5A, 0xA7,
    0x5F, 0x5E, 0x6A, 0xF9, 0x79, 0xB5, 0x7B, 0xA3, 0x7C, 0xE0, 0x90, 0x5B, 0xA0, 0x60,
    0xA1, 0xA8, 0xB0, 0xA2, 0xB1, 0x23, 0xB5, 0x5D, 0xBA, 0xAC, 0xBB, 0x7C, 0xBD, 0x7E,
    0xC0, 0xE9, 0xD0, 0xE8, 0xDD, 0xA6, 0xE0, 0xE7, 0,
};
static const unsigned char moves_500[] = {
    0x4A, 0x5B, 0x4F, 0x21, 0x5A, 0x5D, 0x5F, 0x5E, 0xB0, 0xA2, 0xBA, 0xAC, 0xBB, 0x7C, 0,
};
static const unsigned char moves_871[] = {
    0x4A, 0xDE, 0x4F, 0x21, 0x5A, 0xC6, 0x5F, 0xD6, 0x79, 0xF0, 0x7C, 0xD0, 0x8C, 0x60,
    0x8E, 0x7B, 0x9C, 0x7D, 0x9E, 0x5D, 0xA1, 0xF6, 0xAC, 0x40, 0xAE, 0x5B, 0xB0, 0xA2,
    0xBA, 0xAC, 0xBB, 0x7C, 0xBE, 0x5C, 0xC0, 0xFE, 0xCC, 0x7E, 0xD0, 0xE6, 0xE0, 0xB4,
    0xEC, 0x5E, 0,
};

/* Each euro page is its base page with the euro in place of the currency
 * sign, at the same byte. */
static const struct {
    UINT cp, base;
    const unsigned char *moves; /* the base page against 037 */
} euro_pages[] = {
    {1140, 37, (const unsigned char *)""}, {1141, 20273, moves_273}, {1142, 20277, moves_277},
    {1143, 20278, moves_278}, {1144, 20280, moves_280}, {1145, 20284, moves_284},
    {1146, 20285, moves_285}, {1147, 20297, moves_297}, {1148, 500, moves_500},
    {1149, 20871, moves_871},
};

/* Makes an euro page that this Windows lacks from its base page, or from
 * 037 and the base page's differences where the base page is missing too.
 * 0 for any other page, or if the result would not be 256 different
 * characters with the currency sign among them. */
static int open_euro_page(struct charset *cs, UINT cp)
{
    size_t i;
    int b, sign = -1;
    const unsigned char *m;

    for (i = 0; i < sizeof euro_pages / sizeof *euro_pages && euro_pages[i].cp != cp; i++)
        ;
    if (i == sizeof euro_pages / sizeof *euro_pages)
        return 0;
    if (!open_system_page(cs, euro_pages[i].base)) {
        if (!open_system_page(cs, 37) || cs->kind != K_SBCS)
            return 0;
        for (m = euro_pages[i].moves; *m; m += 2)
            cs->to_unicode[m[0]] = m[1];
    }
    if (cs->kind != K_SBCS)
        return 0;
    for (b = 0; b < 256; b++) {
        if (!cs->valid[b])
            return 0;
        if (cs->to_unicode[b] == 0xA4)
            sign = b;
    }
    if (sign < 0)
        return 0;
    cs->to_unicode[sign] = 0x20AC;
    cs->cp = cp;
    /* Every byte is its own character's code: the reverse map is all of them. */
    for (b = 0; b < 256; b++) {
        cs->from_unicode[b].u = cs->to_unicode[b];
        cs->from_unicode[b].b = (unsigned char)b;
    }
    cs->from_unicode_count = 256;
    sort_reverse_map(cs);
    for (b = 1; b < 256; b++)
        if (cs->from_unicode[b].u == cs->from_unicode[b - 1].u)
            return 0;
    return 1;
}

int codepage_open(struct charset *cs, UINT cp)
{
    return open_system_page(cs, cp) || open_euro_page(cs, cp);
}

/* ------------------------------------------------------------- GB18030 */

/* GB18030 as Windows' code page 54936 has it (GB18030-2000; Python's
 * codec is the same). Its one- and two-byte codes are code page 936's,
 * except that the single byte 80 (936's euro sign) is no character and
 * the 81 two-byte codes below hold characters where 936 has private-use
 * ones (A2E3 is the euro sign). Every other character of the Basic
 * Multilingual Plane has a four-byte code, in order of code point; the
 * other planes follow from 90 30 81 30 on. Wine's 936 has the same
 * two-byte table as Windows', and Wine's 54936 converts nothing. */

/* The two-byte codes where GB18030 differs from 936, sorted by code. */
static const struct { unsigned short code, c; } gb_two_byte[] = {
    {0xA2E3, 0x20AC}, {0xA8BF, 0x01F9}, {0xA989, 0x303E}, {0xA98A, 0x2FF0}, {0xA98B, 0x2FF1},
    {0xA98C, 0x2FF2}, {0xA98D, 0x2FF3}, {0xA98E, 0x2FF4}, {0xA98F, 0x2FF5}, {0xA990, 0x2FF6},
    {0xA991, 0x2FF7}, {0xA992, 0x2FF8}, {0xA993, 0x2FF9}, {0xA994, 0x2FFA}, {0xA995, 0x2FFB},
    {0xFE50, 0x2E81}, {0xFE54, 0x2E84}, {0xFE55, 0x3473}, {0xFE56, 0x3447}, {0xFE57, 0x2E88},
    {0xFE58, 0x2E8B}, {0xFE5A, 0x359E}, {0xFE5B, 0x361A}, {0xFE5C, 0x360E}, {0xFE5D, 0x2E8C},
    {0xFE5E, 0x2E97}, {0xFE5F, 0x396E}, {0xFE60, 0x3918}, {0xFE62, 0x39CF}, {0xFE63, 0x39DF},
    {0xFE64, 0x3A73}, {0xFE65, 0x39D0}, {0xFE68, 0x3B4E}, {0xFE69, 0x3C6E}, {0xFE6A, 0x3CE0},
    {0xFE6B, 0x2EA7}, {0xFE6E, 0x2EAA}, {0xFE6F, 0x4056}, {0xFE70, 0x415F}, {0xFE71, 0x2EAE},
    {0xFE72, 0x4337}, {0xFE73, 0x2EB3}, {0xFE74, 0x2EB6}, {0xFE75, 0x2EB7}, {0xFE77, 0x43B1},
    {0xFE78, 0x43AC}, {0xFE79, 0x2EBB}, {0xFE7A, 0x43DD}, {0xFE7B, 0x44D6}, {0xFE7C, 0x4661},
    {0xFE7D, 0x464C}, {0xFE80, 0x4723}, {0xFE81, 0x4729}, {0xFE82, 0x477C}, {0xFE83, 0x478D},
    {0xFE84, 0x2ECA}, {0xFE85, 0x4947}, {0xFE86, 0x497A}, {0xFE87, 0x497D}, {0xFE88, 0x4982},
    {0xFE89, 0x4983}, {0xFE8A, 0x4985}, {0xFE8B, 0x4986}, {0xFE8C, 0x499F}, {0xFE8D, 0x499B},
    {0xFE8E, 0x49B7}, {0xFE8F, 0x49B6}, {0xFE92, 0x4CA3}, {0xFE93, 0x4C9F}, {0xFE94, 0x4CA0},
    {0xFE95, 0x4CA1}, {0xFE96, 0x4C77}, {0xFE97, 0x4CA2}, {0xFE98, 0x4D13}, {0xFE99, 0x4D14},
    {0xFE9A, 0x4D15}, {0xFE9B, 0x4D16}, {0xFE9C, 0x4D17}, {0xFE9D, 0x4D18}, {0xFE9E, 0x4D19},
    {0xFE9F, 0x4DAE},
};

/* The four-byte codes of the Basic Multilingual Plane, numbered from
 * 81 30 81 30 (0) to 84 31 A4 39 (39419): each row is the first character
 * of a run of consecutive characters and the number of its code; the run
 * lasts up to the next row's number. Sorted both ways. */
static const struct { unsigned short c, index; } gb_four_byte[] = {
    {0x0080,     0}, {0x00A5,    36}, {0x00A9,    38}, {0x00B2,    45}, {0x00B8,    50},
    {0x00D8,    81}, {0x00E2,    89}, {0x00EB,    95}, {0x00EE,    96}, {0x00F4,   100},
    {0x00F8,   103}, {0x00FB,   104}, {0x00FD,   105}, {0x0102,   109}, {0x0114,   126},
    {0x011C,   133}, {0x012C,   148}, {0x0145,   172}, {0x0149,   175}, {0x014E,   179},
    {0x016C,   208}, {0x01CF,   306}, {0x01D1,   307}, {0x01D3,   308}, {0x01D5,   309},
    {0x01D7,   310}, {0x01D9,   311}, {0x01DB,   312}, {0x01DD,   313}, {0x01FA,   341},
    {0x0252,   428}, {0x0262,   443}, {0x02C8,   544}, {0x02CC,   545}, {0x02DA,   558},
    {0x03A2,   741}, {0x03AA,   742}, {0x03C2,   749}, {0x03CA,   750}, {0x0402,   805},
    {0x0450,   819}, {0x0452,   820}, {0x2011,  7922}, {0x2017,  7924}, {0x201A,  7925},
    {0x201E,  7927}, {0x2027,  7934}, {0x2031,  7943}, {0x2034,  7944}, {0x2036,  7945},
    {0x203C,  7950}, {0x20AD,  8062}, {0x2104,  8148}, {0x2106,  8149}, {0x210A,  8152},
    {0x2117,  8164}, {0x2122,  8174}, {0x216C,  8236}, {0x217A,  8240}, {0x2194,  8262},
    {0x219A,  8264}, {0x2209,  8374}, {0x2210,  8380}, {0x2212,  8381}, {0x2216,  8384},
    {0x221B,  8388}, {0x2221,  8390}, {0x2224,  8392}, {0x2226,  8393}, {0x222C,  8394},
    {0x222F,  8396}, {0x2238,  8401}, {0x223E,  8406}, {0x2249,  8416}, {0x224D,  8419},
    {0x2253,  8424}, {0x2262,  8437}, {0x2268,  8439}, {0x2270,  8445}, {0x2296,  8482},
    {0x229A,  8485}, {0x22A6,  8496}, {0x22C0,  8521}, {0x2313,  8603}, {0x246A,  8936},
    {0x249C,  8946}, {0x254C,  9046}, {0x2574,  9050}, {0x2590,  9063}, {0x2596,  9066},
    {0x25A2,  9076}, {0x25B4,  9092}, {0x25BE,  9100}, {0x25C8,  9108}, {0x25CC,  9111},
    {0x25D0,  9113}, {0x25E6,  9131}, {0x2607,  9162}, {0x260A,  9164}, {0x2641,  9218},
    {0x2643,  9219}, {0x2E82, 11329}, {0x2E85, 11331}, {0x2E89, 11334}, {0x2E8D, 11336},
    {0x2E98, 11346}, {0x2EA8, 11361}, {0x2EAB, 11363}, {0x2EAF, 11366}, {0x2EB4, 11370},
    {0x2EB8, 11372}, {0x2EBC, 11375}, {0x2ECB, 11389}, {0x2FFC, 11682}, {0x3004, 11686},
    {0x3018, 11687}, {0x301F, 11692}, {0x302A, 11694}, {0x303F, 11714}, {0x3094, 11716},
    {0x309F, 11723}, {0x30F7, 11725}, {0x30FF, 11730}, {0x312A, 11736}, {0x322A, 11982},
    {0x3232, 11989}, {0x32A4, 12102}, {0x3390, 12336}, {0x339F, 12348}, {0x33A2, 12350},
    {0x33C5, 12384}, {0x33CF, 12393}, {0x33D3, 12395}, {0x33D6, 12397}, {0x3448, 12510},
    {0x3474, 12553}, {0x359F, 12851}, {0x360F, 12962}, {0x361B, 12973}, {0x3919, 13738},
    {0x396F, 13823}, {0x39D1, 13919}, {0x39E0, 13933}, {0x3A74, 14080}, {0x3B4F, 14298},
    {0x3C6F, 14585}, {0x3CE1, 14698}, {0x4057, 15583}, {0x4160, 15847}, {0x4338, 16318},
    {0x43AD, 16434}, {0x43B2, 16438}, {0x43DE, 16481}, {0x44D7, 16729}, {0x464D, 17102},
    {0x4662, 17122}, {0x4724, 17315}, {0x472A, 17320}, {0x477D, 17402}, {0x478E, 17418},
    {0x4948, 17859}, {0x497B, 17909}, {0x497E, 17911}, {0x4984, 17915}, {0x4987, 17916},
    {0x499C, 17936}, {0x49A0, 17939}, {0x49B8, 17961}, {0x4C78, 18664}, {0x4CA4, 18703},
    {0x4D1A, 18814}, {0x4DAF, 18962}, {0x9FA6, 19043}, {0xE76C, 33469}, {0xE7C8, 33470},
    {0xE7E7, 33471}, {0xE815, 33484}, {0xE819, 33485}, {0xE81F, 33490}, {0xE827, 33497},
    {0xE82D, 33501}, {0xE833, 33505}, {0xE83C, 33513}, {0xE844, 33520}, {0xE856, 33536},
    {0xE865, 33550}, {0xF92D, 37845}, {0xF97A, 37921}, {0xF996, 37948}, {0xF9E8, 38029},
    {0xF9F2, 38038}, {0xFA10, 38064}, {0xFA12, 38065}, {0xFA15, 38066}, {0xFA19, 38069},
    {0xFA22, 38075}, {0xFA25, 38076}, {0xFA2A, 38078}, {0xFE32, 39108}, {0xFE45, 39109},
    {0xFE53, 39113}, {0xFE58, 39114}, {0xFE67, 39115}, {0xFE6C, 39116}, {0xFF5F, 39265},
    {0xFFE6, 39394},
};

#define GB_BMP_CODES 39420UL   /* the four-byte codes of the BMP */
#define GB_PLANE1 189000UL     /* the number of 90 30 81 30, U+10000 */

/* The number of a four-byte code, and the code of a number. */
static unsigned long gb_index(const unsigned char *p)
{
    return (((unsigned long)(p[0] - 0x81) * 10 + (p[1] - 0x30)) * 126 + (p[2] - 0x81)) * 10 +
           (p[3] - 0x30);
}

static void gb_four(unsigned long index, unsigned char *out)
{
    out[3] = (unsigned char)(0x30 + index % 10);
    index /= 10;
    out[2] = (unsigned char)(0x81 + index % 126);
    index /= 126;
    out[1] = (unsigned char)(0x30 + index % 10);
    out[0] = (unsigned char)(0x81 + index / 10);
}

/* The row of gb_four_byte whose run holds the number (by_index) or the
 * character: the last row starting at or below it. -1 if none does. */
static int gb_row(unsigned long key, int by_index)
{
    int lo = 0, hi = (int)(sizeof gb_four_byte / sizeof *gb_four_byte) - 1, found = -1;

    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        if ((by_index ? gb_four_byte[mid].index : gb_four_byte[mid].c) <= key) {
            found = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return found;
}

/* The two-byte code's entry in gb_two_byte, or -1. */
static int gb_override(unsigned code)
{
    int lo = 0, hi = (int)(sizeof gb_two_byte / sizeof *gb_two_byte) - 1;

    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        if (gb_two_byte[mid].code == code)
            return mid;
        if (gb_two_byte[mid].code < code)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}

/* The character of a whole code of len bytes (1, 2 or 4, its structure
 * checked), without the read-back check: 0 or EILSEQ. */
static int gb_decode_code(const struct charset *cs, const unsigned char *p, size_t len,
                          unsigned long *c)
{
    unsigned long index;
    int k;

    if (len == 1) {
        *c = p[0];
        return 0;
    }
    if (len == 2) {
        k = gb_override((unsigned)p[0] << 8 | p[1]);
        if (k >= 0) {
            *c = gb_two_byte[k].c;
            return 0;
        }
        return raw_decode(cs, p, 2, c);
    }
    index = gb_index(p);
    if (index < GB_BMP_CODES) {
        k = gb_row(index, 1);
        *c = gb_four_byte[k].c + (index - gb_four_byte[k].index);
        return 0;
    }
    if (index >= GB_PLANE1 && index - GB_PLANE1 < 0x100000) {
        *c = 0x10000 + (index - GB_PLANE1);
        return 0;
    }
    return EILSEQ;
}

/* The code of a character, without the read-back check: 0 or EILSEQ. */
static int gb_encode_code(const struct charset *cs, unsigned long c, unsigned char *out, size_t *n)
{
    unsigned char two[8];
    unsigned long index, end;
    size_t i, len;
    int k;

    if (c < 0x80) {
        out[0] = (unsigned char)c;
        *n = 1;
        return 0;
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return EILSEQ;
    if (c > 0xFFFF) {
        gb_four(GB_PLANE1 + (c - 0x10000), out);
        *n = 4;
        return 0;
    }
    for (i = 0; i < sizeof gb_two_byte / sizeof *gb_two_byte; i++) {
        if (gb_two_byte[i].c == c) {
            out[0] = (unsigned char)(gb_two_byte[i].code >> 8);
            out[1] = (unsigned char)gb_two_byte[i].code;
            *n = 2;
            return 0;
        }
    }
    /* 936's two bytes, unless GB18030 has another character there (936's
     * private-use characters of those codes get four bytes instead). */
    if (raw_encode(cs, c, two, &len) == 0 && len == 2 && gb_override((unsigned)two[0] << 8 | two[1]) < 0) {
        memcpy(out, two, 2);
        *n = 2;
        return 0;
    }
    /* The four-byte codes: the run that the character would be in. */
    k = gb_row(c, 0);
    if (k < 0)
        return EILSEQ;
    index = gb_four_byte[k].index + (c - gb_four_byte[k].c);
    end = (size_t)k + 1 < sizeof gb_four_byte / sizeof *gb_four_byte ? gb_four_byte[k + 1].index
                                                                     : GB_BMP_CODES;
    if (index >= end)
        return EILSEQ;
    gb_four(index, out);
    *n = 4;
    return 0;
}

/* GB18030's structure: ASCII; a lead byte 81-FE and a byte 40-7E or
 * 80-FE; or a lead byte, 30-39, 81-FE, 30-39. Sets *len, or returns EILSEQ,
 * or EINVAL when the input ends inside a character. */
static int gb_length(const unsigned char *p, size_t n, size_t *len)
{
    if (p[0] < 0x80) {
        *len = 1;
        return 0;
    }
    if (p[0] == 0x80 || p[0] == 0xFF)
        return EILSEQ;
    if (n < 2)
        return EINVAL;
    if ((p[1] >= 0x40 && p[1] <= 0x7E) || (p[1] >= 0x80 && p[1] <= 0xFE)) {
        *len = 2;
        return 0;
    }
    if (p[1] < 0x30 || p[1] > 0x39)
        return EILSEQ;
    if (n > 2 && (p[2] < 0x81 || p[2] > 0xFE))
        return EILSEQ;
    if (n < 4)
        return EINVAL;
    if (p[3] < 0x30 || p[3] > 0x39)
        return EILSEQ;
    *len = 4;
    return 0;
}

int gb18030_open(struct charset *cs)
{
    if (!open_system_page(cs, 936) || cs->kind != K_MBCS)
        return 0;
    cs->kind = K_GB18030;
    return 1;
}

int gb18030_decode(const struct charset *cs, const unsigned char *p, size_t n,
                   unsigned long *c, size_t *used)
{
    unsigned char again[8];
    unsigned long back;
    size_t len, again_len;
    int r = gb_length(p, n, &len);

    if (r)
        return r;
    if (gb_decode_code(cs, p, len, c) || gb_encode_code(cs, *c, again, &again_len))
        return EILSEQ;
    /* As on the other pages: another code for the character must at least
     * mean the same character. */
    if ((again_len != len || memcmp(again, p, len) != 0) &&
        (gb_decode_code(cs, again, again_len, &back) || back != *c))
        return EILSEQ;
    *used = len;
    return 0;
}

int gb18030_encode(const struct charset *cs, unsigned long c, unsigned char *out, size_t *n)
{
    unsigned long back;

    if (gb_encode_code(cs, c, out, n) || gb_decode_code(cs, out, *n, &back) || back != c)
        return EILSEQ;
    return 0;
}
