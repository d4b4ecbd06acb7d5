/* ISO-2022-JP (RFC 1468): ASCII, JIS-Roman and JIS X 0208, switched by
 * escape sequences. Windows converts it only as whole strings, so the
 * escapes are read and written here and each JIS X 0208 character goes
 * through the EUC-JP page (the same two bytes with the high bit set), with
 * its guards. Control characters pass in any set, as Python's codec and
 * mail readers take them; the output always returns to ASCII before one
 * and at the end (iso2022jp_flush). */

#include "charset.h"

#include <errno.h>
#include <string.h>

#define ESC 0x1B

static const struct { const char *seq; enum jis_set set; } escapes[] = {
    {"\x1B(B", JIS_ASCII}, {"\x1B(J", JIS_ROMAN}, {"\x1B$@", JIS_X0208}, {"\x1B$B", JIS_X0208},
};

int iso2022jp_decode(struct conv *cd, const unsigned char *p, size_t n,
                     unsigned long *c, size_t *used)
{
    unsigned char euc[2];
    size_t i, euc_used;

    if (p[0] == ESC) {
        for (i = 0; i < sizeof escapes / sizeof *escapes; i++) {
            size_t k = n < 3 ? n : 3;
            if (memcmp(p, escapes[i].seq, k) != 0)
                continue;
            if (k < 3)
                return EINVAL;
            cd->in_set = escapes[i].set;
            *used = 3;
            return NO_CHAR;
        }
        return EILSEQ;
    }
    if (p[0] >= 0x80)
        return EILSEQ;
    if (p[0] < 0x21 || p[0] == 0x7F || cd->in_set == JIS_ASCII) {
        *c = p[0];
        *used = 1;
        return 0;
    }
    if (cd->in_set == JIS_ROMAN) {
        *c = p[0] == 0x5C ? 0xA5 : p[0] == 0x7E ? 0x203E : p[0];
        *used = 1;
        return 0;
    }
    if (n < 2)
        return EINVAL;
    if (p[1] < 0x21 || p[1] > 0x7E)
        return EILSEQ;
    euc[0] = (unsigned char)(p[0] | 0x80);
    euc[1] = (unsigned char)(p[1] | 0x80);
    if (codepage_decode(&cd->from, euc, 2, c, &euc_used) || euc_used != 2)
        return EILSEQ;
    *used = 2;
    return 0;
}

/* JIS X 0208 is written as ESC $ B, its 1983 form. */
static size_t put_escape(enum jis_set set, unsigned char *out)
{
    static const char *const seq[] = {
        [JIS_ASCII] = "\x1B(B", [JIS_ROMAN] = "\x1B(J", [JIS_X0208] = "\x1B$B",
    };
    memcpy(out, seq[set], 3);
    return 3;
}

int iso2022jp_encode(struct conv *cd, unsigned long c, unsigned char *out, size_t *n)
{
    enum jis_set set;
    unsigned char bytes[8];
    size_t len, at = 0;

    if (c < 0x80) {
        set = JIS_ASCII;
        bytes[0] = (unsigned char)c;
        len = 1;
    } else if (c == 0xA5 || c == 0x203E) {
        set = JIS_ROMAN;
        bytes[0] = c == 0xA5 ? 0x5C : 0x7E;
        len = 1;
    } else {
        /* Only JIS X 0208: two bytes, both in the 94 x 94 square. */
        if (codepage_encode(&cd->to, c, bytes, &len) || len != 2 ||
            bytes[0] < 0xA1 || bytes[0] > 0xFE || bytes[1] < 0xA1 || bytes[1] > 0xFE)
            return EILSEQ;
        set = JIS_X0208;
        bytes[0] &= 0x7F;
        bytes[1] &= 0x7F;
    }
    if (set != cd->out_set)
        at = put_escape(set, out);
    memcpy(out + at, bytes, len);
    *n = at + len;
    cd->out_set_next = set;
    return 0;
}

void iso2022jp_flush(const struct conv *cd, unsigned char *out, size_t *n)
{
    *n = cd->out_set != JIS_ASCII ? put_escape(JIS_ASCII, out) : 0;
}
