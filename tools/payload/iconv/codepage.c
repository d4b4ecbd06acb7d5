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
 *    decoded (and encoded) in that form instead. */

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
    /* Longer characters (GB18030): the shortest prefix that Windows takes
     * for a whole character is the character. */
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

/* The tables of a single-byte page: a byte is a character if Windows
 * decodes it and encodes that character back to a byte that means it
 * again; the reverse map holds the byte Windows itself encodes to. */
static void load_single_byte(struct charset *cs)
{
    int b, i, j;

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
    /* 256 entries need no faster sort. */
    for (i = 1; i < cs->from_unicode_count; i++) {
        WCHAR u = cs->from_unicode[i].u;
        unsigned char byte = cs->from_unicode[i].b;
        for (j = i; j > 0 && cs->from_unicode[j - 1].u > u; j--)
            cs->from_unicode[j] = cs->from_unicode[j - 1];
        cs->from_unicode[j].u = u;
        cs->from_unicode[j].b = byte;
    }
}

int codepage_open(struct charset *cs, UINT cp)
{
    CPINFOEXA info;
    BOOL used = FALSE;
    char probe[8];

    if (!IsValidCodePage(cp) || !GetCPInfoExA(cp, 0, &info))
        return 0;
    cs->cp = cp;
    /* Some pages (GB18030) refuse WC_NO_BEST_FIT_CHARS and the default-char
     * report; they can encode every character anyway, and the read-back
     * check catches any best fit. */
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
