/* The Wine half of the iconv matrix (test_iconv_matrix.py): converts the
 * documents the test generated, each on its own, through iconv.dll and
 * through the Windows functions directly, and writes both results.
 *
 *   iconv_matrix.exe IN OUT
 *
 * IN is a list of jobs, each: u8 mode, u32 code page (0: none), u16 name
 * length, the name, then
 *   mode 0 (decode): u32 count and count documents (u32 length, bytes);
 *   mode 1 (encode): u32 count and count ranges (u32 first, u32 end): every
 *                    code point in [first, end), as a one-character document.
 * OUT, per job: u8 opened, u8 code page valid; then per document: u32
 * index, our result, the system's result (each u8 status 0 ok / 1 EILSEQ /
 * 2 EINVAL / 3 other, u32 length, bytes: UTF-32LE when decoding). An
 * encode job leaves out the characters that both refuse and ends with
 * index 0xFFFFFFFF. All numbers little-endian. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <iconv.h>

#define ROOM 256

struct result {
    unsigned char status;
    unsigned len;
    unsigned char bytes[ROOM];
};

static FILE *in, *out;

static unsigned get(int size)
{
    unsigned v = 0;
    int i;
    for (i = 0; i < size; i++) {
        int c = fgetc(in);
        if (c == EOF) {
            fprintf(stderr, "iconv_matrix: the input ends early\n");
            exit(2);
        }
        v |= (unsigned)c << (8 * i);
    }
    return v;
}

static void put(unsigned v, int size)
{
    int i;
    for (i = 0; i < size; i++)
        fputc((int)(v >> (8 * i)) & 0xFF, out);
}

static void put_result(const struct result *r)
{
    put(r->status, 1);
    put(r->len, 4);
    fwrite(r->bytes, 1, r->len, out);
}

/* One document through an open converter, from its initial state; the
 * output is flushed back to the initial shift state at the end. */
static void convert(iconv_t cd, const unsigned char *doc, size_t len, struct result *r)
{
    char *inp = (char *)doc, *outp = (char *)r->bytes;
    size_t in_left = len, out_left = ROOM;

    iconv(cd, NULL, NULL, NULL, NULL);
    errno = 0;
    r->status = 0;
    if (iconv(cd, &inp, &in_left, &outp, &out_left) == (size_t)-1 ||
        iconv(cd, NULL, NULL, &outp, &out_left) == (size_t)-1)
        r->status = errno == EILSEQ ? 1 : errno == EINVAL ? 2 : 3;
    r->len = r->status ? 0 : (unsigned)(ROOM - out_left);
}

/* MultiByteToWideChar, strict, as UTF-32LE. */
static void system_decode(UINT cp, const unsigned char *doc, size_t len, struct result *r)
{
    WCHAR w[ROOM / 4];
    int n = len ? MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, (const char *)doc, (int)len, w, ROOM / 4) : 0;
    int i;

    r->status = n <= 0 && len ? 1 : 0;
    r->len = 0;
    for (i = 0; i < n; i++) {
        unsigned c = w[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (w[i + 1] - 0xDC00);
            i++;
        }
        memcpy(r->bytes + r->len, &c, 4);
        r->len += 4;
    }
}

/* WideCharToMultiByte of one character, without best fit or default. */
static void system_encode(UINT cp, unsigned c, struct result *r)
{
    WCHAR w[2];
    int wn = 1, n;
    BOOL used = FALSE;

    if (c > 0xFFFF) {
        w[0] = (WCHAR)(0xD800 + ((c - 0x10000) >> 10));
        w[1] = (WCHAR)(0xDC00 + ((c - 0x10000) & 0x3FF));
        wn = 2;
    } else {
        w[0] = (WCHAR)c;
    }
    n = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, w, wn, (char *)r->bytes, ROOM, NULL, &used);
    if (n <= 0 && GetLastError() == ERROR_INVALID_FLAGS)
        n = WideCharToMultiByte(cp, 0, w, wn, (char *)r->bytes, ROOM, NULL, NULL);
    r->status = n <= 0 || used ? 1 : 0;
    r->len = r->status ? 0 : (unsigned)n;
}

int main(int argc, char **argv)
{
    static unsigned char doc[ROOM];
    struct result ours, sys;
    int mode;

    if (argc != 3 || !(in = fopen(argv[1], "rb")) || !(out = fopen(argv[2], "wb"))) {
        fprintf(stderr, "usage: iconv_matrix IN OUT\n");
        return 2;
    }
    while ((mode = fgetc(in)) != EOF) {
        UINT cp = get(4);
        unsigned name_len = get(2), i, k, count, first, end;
        char name[128] = "";
        int has_cp;
        iconv_t cd;

        if (name_len >= sizeof name || fread(name, 1, name_len, in) != name_len)
            return 2;
        cd = mode == 0 ? iconv_open("UTF-32LE", name) : iconv_open(name, "UTF-32LE");
        has_cp = cp && IsValidCodePage(cp);
        put(cd != (iconv_t)-1, 1);
        put(has_cp != 0, 1);
        memset(&ours, 0, sizeof ours);
        memset(&sys, 0, sizeof sys);
        ours.status = sys.status = 3;
        if (mode == 0) {
            count = get(4);
            for (i = 0; i < count; i++) {
                unsigned len = get(4);
                if (len > ROOM || fread(doc, 1, len, in) != len)
                    return 2;
                if (cd != (iconv_t)-1)
                    convert(cd, doc, len, &ours);
                if (has_cp)
                    system_decode(cp, doc, len, &sys);
                put(i, 4);
                put_result(&ours);
                put_result(&sys);
            }
        } else {
            count = get(4);
            for (k = 0; k < count; k++) {
                first = get(4);
                end = get(4);
                for (i = first; i < end; i++) {
                    if (cd != (iconv_t)-1)
                        convert(cd, (const unsigned char *)&i, 4, &ours);
                    if (has_cp)
                        system_encode(cp, i, &sys);
                    if (ours.status && (sys.status || !has_cp))
                        continue;
                    put(i, 4);
                    put_result(&ours);
                    put_result(&sys);
                }
            }
            put(0xFFFFFFFFu, 4);
        }
        if (cd != (iconv_t)-1)
            iconv_close(cd);
    }
    fclose(out);
    return 0;
}
