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
 * The Unicode forms (UTF-7 among them), ASCII and ISO-8859-1 are done
 * here, ISO-2022-JP in iso2022jp.c, GB18030 and any other code page
 * through Windows (codepage.c). The names are in names.c. Conversions
 * never substitute: a character that the target cannot hold, or that would
 * not come back the same, is EILSEQ, so the return value (the count of
 * irreversible conversions) is always 0. */

#define VEK_ICONV_BUILDING
#include "iconv.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include "charset.h"

/* ------------------------------------------------------------- decoding */

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
        if (p[0] == 0xFE && p[1] == 0xFF) { cd->in_big_endian = 1; *used = 2; return NO_CHAR; }
        if (p[0] == 0xFF && p[1] == 0xFE) { cd->in_big_endian = 0; *used = 2; return NO_CHAR; }
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
        if (!memcmp(p, "\0\0\xFE\xFF", 4)) { cd->in_big_endian = 1; *used = 4; return NO_CHAR; }
        if (!memcmp(p, "\xFF\xFE\0\0", 4)) { cd->in_big_endian = 0; *used = 4; return NO_CHAR; }
    }
    v = get32(p, cd->in_big_endian);
    if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return EILSEQ;
    *c = v;
    *used = 4;
    return 0;
}

/* ---------------------------------------------------------------- UTF-7 */

/* UTF-7 (RFC 2152): ASCII characters stand for themselves, anything else
 * is UTF-16 in a run of modified base64 that '+' opens and '-' (absorbed)
 * or any other character outside base64 closes. A run's bits do not fall
 * on byte boundaries: the bits of the last byte read that belong to the
 * next character stay in the shift state, which is committed only once
 * the character is written (in7_next, out7_next), so that E2BIG and EINVAL
 * leave the input at a character again. As GNU libiconv and the C library
 * of Linux do: reading takes RFC 2152's direct and optional direct
 * characters, writing puts only the direct ones and white space as they
 * are (the optional ones, "!\"#$%&*;<=>@[]^_`{|}", go in base64), and '-'
 * closes a run only where the next byte would otherwise be read as base64
 * or absorbed, and at the end. A run must end on a whole character with
 * its spare bits zero, or the input is EILSEQ. */

static const char base64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

/* The value of a base64 byte, or -1. */
static int base64_value(unsigned char b)
{
    const char *at = b ? strchr(base64, b) : NULL;
    return at ? (int)(at - base64) : -1;
}

/* RFC 2152's set D (and white space): written as they are. */
static int utf7_direct(unsigned long c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           (c && c < 0x80 && strchr("'(),-./:? \t\r\n", (int)c) != NULL);
}

/* What may stand for itself in the input: set D, set O and white space. */
static int utf7_readable(unsigned char b)
{
    return b == '\t' || b == '\n' || b == '\r' || (b >= ' ' && b <= '}' && b != '\\' && b != '+');
}

/* Reads one UTF-16 unit of a base64 run from p, starting from the bits of
 * *s: 0 with the unit and the bytes taken, EINVAL when the input ends
 * first, EILSEQ when the run does (a character cut off). */
static int utf7_unit(struct utf7_state *s, const unsigned char *p, size_t n, unsigned long *unit,
                     size_t *used)
{
    size_t i = 0;

    while (s->nbits < 16) {
        int v;
        if (i >= n)
            return EINVAL;
        v = base64_value(p[i]);
        if (v < 0)
            return EILSEQ;
        s->bits = (s->bits << 6 | (unsigned long)v) & 0x3FFFFF;
        s->nbits += 6;
        i++;
    }
    s->nbits -= 16;
    *unit = s->bits >> s->nbits & 0xFFFF;
    s->bits &= (1UL << s->nbits) - 1;
    *used = i;
    return 0;
}

static int decode_utf7(struct conv *cd, const unsigned char *p, size_t n, unsigned long *c,
                       size_t *used)
{
    struct utf7_state s = cd->in7;
    unsigned long unit, low;
    size_t first, second;
    int r;

    if (!s.shifted) {
        if (p[0] != '+') {
            if (!utf7_readable(p[0]))
                return EILSEQ;
            *c = p[0];
            *used = 1;
            return 0;
        }
        if (n < 2)
            return EINVAL;
        if (p[1] == '-') {
            *c = '+';
            *used = 2;
            return 0;
        }
        if (base64_value(p[1]) < 0)
            return EILSEQ;
        /* The run begins: '+' yields nothing by itself. */
        cd->in7.shifted = 1;
        cd->in7.bits = 0;
        cd->in7.nbits = 0;
        *used = 1;
        return NO_CHAR;
    }
    if (base64_value(p[0]) < 0) {
        /* The run ends here, on a whole character with zero spare bits;
         * '-' goes with it, anything else is read again as itself. */
        if (s.bits != 0)
            return EILSEQ;
        cd->in7.shifted = 0;
        cd->in7.nbits = 0;
        *used = p[0] == '-' ? 1 : 0;
        return NO_CHAR;
    }
    r = utf7_unit(&s, p, n, &unit, &first);
    if (r)
        return r;
    if (unit >= 0xDC00 && unit <= 0xDFFF)
        return EILSEQ;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        r = utf7_unit(&s, p + first, n - first, &low, &second);
        if (r)
            return r;
        if (low < 0xDC00 || low > 0xDFFF)
            return EILSEQ;
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        first += second;
    }
    *c = unit;
    *used = first;
    cd->in7_next = s;
    return 0;
}

/* Adds one UTF-16 unit to the run in *s, writing its whole base64 bytes. */
static size_t utf7_put_unit(struct utf7_state *s, unsigned long unit, unsigned char *out)
{
    size_t k = 0;

    s->bits = (s->bits << 16 | unit) & 0x3FFFFF;
    s->nbits += 16;
    while (s->nbits >= 6) {
        s->nbits -= 6;
        out[k++] = (unsigned char)base64[s->bits >> s->nbits & 0x3F];
    }
    s->bits &= (1UL << s->nbits) - 1;
    return k;
}

/* Closes the run in *s, if one is open: its spare bits and, where the next
 * character needs it (next < 0: the end), a '-'. */
static size_t utf7_close(struct utf7_state *s, long next, unsigned char *out)
{
    size_t k = 0;

    if (!s->shifted)
        return 0;
    if (s->nbits)
        out[k++] = (unsigned char)base64[s->bits << (6 - s->nbits) & 0x3F];
    if (next < 0 || next == '-' || base64_value((unsigned char)next) >= 0)
        out[k++] = '-';
    s->shifted = 0;
    s->bits = 0;
    s->nbits = 0;
    return k;
}

static int encode_utf7(struct conv *cd, unsigned long c, unsigned char *out, size_t *n)
{
    struct utf7_state s = cd->out7;
    size_t k = 0;

    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return EILSEQ;
    if (utf7_direct(c)) {
        k = utf7_close(&s, (long)c, out);
        out[k++] = (unsigned char)c;
    } else if (c == '+' && !s.shifted) {
        out[k++] = '+';
        out[k++] = '-';
    } else {
        if (!s.shifted) {
            out[k++] = '+';
            s.shifted = 1;
        }
        if (c > 0xFFFF) {
            k += utf7_put_unit(&s, 0xD800 + ((c - 0x10000) >> 10), out + k);
            c = 0xDC00 + ((c - 0x10000) & 0x3FF);
        }
        k += utf7_put_unit(&s, c, out + k);
    }
    *n = k;
    cd->out7_next = s;
    return 0;
}

/* Reads one character: 0, EILSEQ, EINVAL, or NO_CHAR when a byte order
 * mark, an escape sequence or a shift was taken (it yields no character). */
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
    case K_UTF7:
        return decode_utf7(cd, p, n, c, used);
    case K_SBCS:
    case K_MBCS:
        return codepage_decode(cs, p, n, c, used);
    case K_ISO2022JP:
        return iso2022jp_decode(cd, p, n, c, used);
    case K_GB18030:
        return gb18030_decode(cs, p, n, c, used);
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
    case K_UTF7:
        return encode_utf7(cd, c, out, n);
    case K_SBCS:
    case K_MBCS:
        return codepage_encode(cs, c, out, n);
    case K_ISO2022JP:
        return iso2022jp_encode(cd, c, out, n);
    case K_GB18030:
        return gb18030_encode(cs, c, out, n);
    }
    return EILSEQ;
}

/* ------------------------------------------------------------ interface */

static void reset(struct conv *cd)
{
    static const struct utf7_state unshifted;

    cd->in_bom_pending = cd->from.bom_in;
    cd->in_big_endian = cd->from.big_endian;
    cd->out_bom_pending = cd->to.bom_out;
    cd->in_set = cd->out_set = cd->out_set_next = JIS_ASCII;
    cd->in7 = cd->in7_next = cd->out7 = cd->out7_next = unshifted;
}

/* What returns the output to its initial shift state (*n may be 0); room
 * for 4 bytes. */
static void flush(const struct conv *cd, unsigned char *out, size_t *n)
{
    struct utf7_state s = cd->out7;

    *n = 0;
    if (cd->to.kind == K_ISO2022JP)
        iso2022jp_flush(cd, out, n);
    else if (cd->to.kind == K_UTF7)
        *n = utf7_close(&s, -1, out);
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
    if (!charset_lookup(fromcode, &cd->from) || !charset_lookup(tocode, &cd->to)) {
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
    /* No input: back to the initial state. ISO-2022-JP output first
     * returns to ASCII and UTF-7 output closes its run, if there is room
     * (else E2BIG and nothing changes); with no output either, the state
     * is just reset. */
    if (!inbuf || !*inbuf) {
        if (outbuf && *outbuf && outbytesleft) {
            unsigned char tail[4];
            size_t n;
            flush(cd, tail, &n);
            if (n > *outbytesleft) {
                errno = E2BIG;
                return (size_t)-1;
            }
            memcpy(*outbuf, tail, n);
            *outbuf += n;
            *outbytesleft -= n;
        }
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
        int r;

        cd->in7_next = cd->in7;
        cd->out7_next = cd->out7;
        r = decode(cd, in, in_left, &c, &used);

        if (r == NO_CHAR) {
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
        cd->out_set = cd->out_set_next;
        cd->in7 = cd->in7_next;
        cd->out7 = cd->out7_next;
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
