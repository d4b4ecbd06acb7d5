/* Inside iconv.dll: what one side of a conversion is, and the functions
 * that decode and encode one character of it. Not installed. */
#ifndef VEK_ICONV_CHARSET_H
#define VEK_ICONV_CHARSET_H

#include <stddef.h>
#include <windows.h>

enum kind {
    K_UTF8, K_UTF16, K_UTF32, K_ASCII, K_LATIN1, /* done here, no tables */
    K_UTF7,                                     /* done here, with a shift state */
    K_SBCS, K_MBCS,                             /* a Windows code page */
    K_ISO2022JP,                                /* escape sequences over JIS X 0208 */
    K_GB18030                                   /* code page 936 and GB18030's own ranges */
};

/* Byte structures that the Windows table of a code page does not know. */
enum structure {
    S_NONE,
    S_EUC_JP /* 0x8E and 0x8F are single shifts, C1 bytes are no characters */
};

/* One side of a conversion. */
struct charset {
    enum kind kind;
    int big_endian; /* UTF-16/32: byte order when there is no BOM */
    int bom_in;     /* UTF-16/32: a BOM at the start of input sets the order */
    int bom_out;    /* UTF-16/32: a BOM goes before the first character */
    int bmp_only;   /* UCS-2: no surrogate pairs */
    UINT cp;        /* the Windows code page (K_SBCS, K_MBCS, K_ISO2022JP; 936 for K_GB18030) */
    enum structure structure;
    int max_len;    /* K_MBCS: longest character, in bytes */
    int strict_flags; /* K_MBCS: WideCharToMultiByte takes WC_NO_BEST_FIT_CHARS */
    /* K_SBCS: each byte's character, and the reverse map sorted by
     * character, so that single-byte pages take no call into Windows per
     * character. */
    WCHAR to_unicode[256];
    unsigned char valid[256];
    struct { WCHAR u; unsigned char b; } from_unicode[256];
    int from_unicode_count;
};

/* ISO-2022-JP's character sets, switched by escape sequences. */
enum jis_set { JIS_ASCII, JIS_ROMAN, JIS_X0208 };

/* UTF-7's shift state: inside a base64 run or not, and the bits of the run
 * that belong to the next character (fewer than 6 between characters). */
struct utf7_state {
    int shifted;
    unsigned long bits;
    int nbits;
};

struct conv {
    struct charset from, to;
    int in_bom_pending;  /* still looking for a BOM at the start of input */
    int in_big_endian;
    int out_bom_pending; /* the BOM still has to go before the next character */
    enum jis_set in_set, out_set;
    enum jis_set out_set_next; /* what out_set becomes once the character is written */
    /* UTF-7 on each side; the _next states become the current ones once the
     * character is written, as out_set_next does. */
    struct utf7_state in7, in7_next, out7, out7_next;
};

/* What decode returns when it consumed input that yields no character (a
 * byte order mark, an escape sequence); otherwise 0, EILSEQ or EINVAL. */
#define NO_CHAR (-1)

/* names.c: fills *cs for an encoding name (compared as ASCII without
 * case); returns 0, leaving *cs undefined, for a name it does not know or
 * a code page this Windows lacks. */
int charset_lookup(const char *name, struct charset *cs);

/* codepage.c: prepares a Windows code page; 0 if it cannot be used. The
 * EBCDIC pages with the euro (1140 to 1149) are made from their base page
 * where this Windows lacks them. */
int codepage_open(struct charset *cs, UINT cp);
/* Decodes one character at p (n > 0 bytes): 0 with *c and *used set,
 * EILSEQ for bytes that are no character or would not come back the same,
 * EINVAL for a character cut off by the end of the input. */
int codepage_decode(const struct charset *cs, const unsigned char *p, size_t n,
                    unsigned long *c, size_t *used);
/* Encodes c into out (room for 8 bytes): 0 with *n set, or EILSEQ when the
 * page has no such character (never a best fit or a default character). */
int codepage_encode(const struct charset *cs, unsigned long c, unsigned char *out, size_t *n);

/* iso2022jp.c: the same for ISO-2022-JP, keeping the shift state in cd.
 * Encoding sets cd->out_set_next; the caller commits it once the bytes fit.
 * iso2022jp_flush writes what returns the output to ASCII (*n may be 0). */
int iso2022jp_decode(struct conv *cd, const unsigned char *p, size_t n,
                     unsigned long *c, size_t *used);
int iso2022jp_encode(struct conv *cd, unsigned long c, unsigned char *out, size_t *n);
void iso2022jp_flush(const struct conv *cd, unsigned char *out, size_t *n);

/* codepage.c: GB18030, over code page 936 (gb18030_open fills *cs; 0 if
 * this Windows lacks 936). The same contracts as codepage_decode and
 * codepage_encode. */
int gb18030_open(struct charset *cs);
int gb18030_decode(const struct charset *cs, const unsigned char *p, size_t n,
                   unsigned long *c, size_t *used);
int gb18030_encode(const struct charset *cs, unsigned long c, unsigned char *out, size_t *n);

#endif
