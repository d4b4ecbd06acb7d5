/* Encoding names: GNU libiconv's names and aliases (compared as it compares
 * them: ASCII letters without case, nothing else folded), the names
 * libxml2 2.9 asks for, and the Windows numbers of code pages.
 *
 * A name stands for one of our own encodings (Unicode forms, UTF-7, ASCII,
 * ISO-8859-1, ISO-2022-JP, GB18030) or for a Windows code page; a code
 * page that this Windows lacks (and codepage.c cannot make) makes the name
 * unknown. */

#include "charset.h"

#include <string.h>

/* Our own encodings; the code-page names go through code page numbers. */
enum own {
    O_UTF8 = 1, O_UTF16, O_UTF16LE, O_UTF16BE, O_UCS2, O_UCS2LE, O_UCS2BE,
    O_UTF32, O_UTF32LE, O_UTF32BE, O_UCS4, O_UCS4LE, O_UCS4BE,
    O_ASCII, O_LATIN1, O_ISO2022JP, O_UTF7, O_GB18030
};

static const struct {
    enum kind kind;
    int big_endian, bom_in, bom_out, bmp_only;
} own_forms[] = {
    [O_UTF8] = {K_UTF8, 0, 0, 0, 0},
    /* UTF-16 and UTF-32 read a BOM and write one; UCS-2 and UCS-4 read one
     * but write none. All are big-endian without a BOM. */
    [O_UTF16] = {K_UTF16, 1, 1, 1, 0},   [O_UTF16LE] = {K_UTF16, 0, 0, 0, 0},
    [O_UTF16BE] = {K_UTF16, 1, 0, 0, 0}, [O_UCS2] = {K_UTF16, 1, 1, 0, 1},
    [O_UCS2LE] = {K_UTF16, 0, 0, 0, 1},  [O_UCS2BE] = {K_UTF16, 1, 0, 0, 1},
    [O_UTF32] = {K_UTF32, 1, 1, 1, 0},   [O_UTF32LE] = {K_UTF32, 0, 0, 0, 0},
    [O_UTF32BE] = {K_UTF32, 1, 0, 0, 0}, [O_UCS4] = {K_UTF32, 1, 1, 0, 0},
    [O_UCS4LE] = {K_UTF32, 0, 0, 0, 0},  [O_UCS4BE] = {K_UTF32, 1, 0, 0, 0},
    [O_ASCII] = {K_ASCII, 0, 0, 0, 0},   [O_LATIN1] = {K_LATIN1, 0, 0, 0, 0},
    [O_ISO2022JP] = {K_ISO2022JP, 0, 0, 0, 0}, [O_UTF7] = {K_UTF7, 0, 0, 0, 0},
    [O_GB18030] = {K_GB18030, 0, 0, 0, 0},
};

/* Names (upper case) and what they stand for: -O_x for our own, or the
 * Windows code page. ISO-8859-n, CPnnn, IBMnnn and the like are read as
 * numbers below and are not listed. */
static const struct { const char *name; int id; } names[] = {
    {"UTF-8", -O_UTF8}, {"UTF8", -O_UTF8},
    {"UTF-16", -O_UTF16}, {"UTF16", -O_UTF16},
    {"UTF-16LE", -O_UTF16LE}, {"UTF16LE", -O_UTF16LE}, {"WCHAR_T", -O_UTF16LE},
    {"UTF-16BE", -O_UTF16BE}, {"UTF16BE", -O_UTF16BE},
    {"UCS-2", -O_UCS2}, {"UCS2", -O_UCS2}, {"ISO-10646-UCS-2", -O_UCS2}, {"CSUNICODE", -O_UCS2},
    {"UCS-2LE", -O_UCS2LE}, {"UNICODELITTLE", -O_UCS2LE}, {"UCS-2-INTERNAL", -O_UCS2LE},
    {"UCS-2BE", -O_UCS2BE}, {"UNICODEBIG", -O_UCS2BE}, {"UNICODE-1-1", -O_UCS2BE},
    {"CSUNICODE11", -O_UCS2BE}, {"UCS-2-SWAPPED", -O_UCS2BE},
    {"UTF-32", -O_UTF32}, {"UTF32", -O_UTF32},
    {"UTF-32LE", -O_UTF32LE}, {"UTF32LE", -O_UTF32LE},
    {"UTF-32BE", -O_UTF32BE}, {"UTF32BE", -O_UTF32BE},
    {"UCS-4", -O_UCS4}, {"UCS4", -O_UCS4}, {"ISO-10646-UCS-4", -O_UCS4}, {"CSUCS4", -O_UCS4},
    {"UCS-4LE", -O_UCS4LE}, {"UCS-4-INTERNAL", -O_UCS4LE},
    {"UCS-4BE", -O_UCS4BE}, {"UCS-4-SWAPPED", -O_UCS4BE},
    {"UTF-7", -O_UTF7}, {"UNICODE-1-1-UTF-7", -O_UTF7}, {"CSUNICODE11UTF7", -O_UTF7},
    {"US-ASCII", -O_ASCII}, {"ASCII", -O_ASCII}, {"ISO646-US", -O_ASCII},
    {"ISO_646.IRV:1991", -O_ASCII}, {"ISO-IR-6", -O_ASCII}, {"ANSI_X3.4-1968", -O_ASCII},
    {"ANSI_X3.4-1986", -O_ASCII}, {"CP367", -O_ASCII}, {"IBM367", -O_ASCII},
    {"US", -O_ASCII}, {"CSASCII", -O_ASCII},
    {"ISO_8859-1:1987", -O_LATIN1}, {"ISO-IR-100", -O_LATIN1}, {"CP819", -O_LATIN1},
    {"IBM819", -O_LATIN1}, {"LATIN1", -O_LATIN1}, {"L1", -O_LATIN1}, {"CSISOLATIN1", -O_LATIN1},
    {"ISO-2022-JP", -O_ISO2022JP}, {"CSISO2022JP", -O_ISO2022JP},

    /* ISO-8859-n under their other names */
    {"ISO_8859-2:1987", 28592}, {"ISO-IR-101", 28592}, {"LATIN2", 28592}, {"L2", 28592},
    {"CSISOLATIN2", 28592},
    {"ISO_8859-3:1988", 28593}, {"ISO-IR-109", 28593}, {"LATIN3", 28593}, {"L3", 28593},
    {"CSISOLATIN3", 28593},
    {"ISO_8859-4:1988", 28594}, {"ISO-IR-110", 28594}, {"LATIN4", 28594}, {"L4", 28594},
    {"CSISOLATIN4", 28594},
    {"ISO_8859-5:1988", 28595}, {"ISO-IR-144", 28595}, {"CYRILLIC", 28595},
    {"CSISOLATINCYRILLIC", 28595},
    {"ISO_8859-6:1987", 28596}, {"ISO-IR-127", 28596}, {"ECMA-114", 28596}, {"ASMO-708", 28596},
    {"ARABIC", 28596}, {"CSISOLATINARABIC", 28596},
    {"ISO_8859-7:1987", 28597}, {"ISO_8859-7:2003", 28597}, {"ISO-IR-126", 28597},
    {"ECMA-118", 28597}, {"ELOT_928", 28597}, {"GREEK8", 28597}, {"GREEK", 28597},
    {"CSISOLATINGREEK", 28597},
    {"ISO_8859-8:1988", 28598}, {"ISO-IR-138", 28598}, {"HEBREW", 28598},
    {"CSISOLATINHEBREW", 28598},
    {"ISO_8859-9:1989", 28599}, {"ISO-IR-148", 28599}, {"LATIN5", 28599}, {"L5", 28599},
    {"CSISOLATIN5", 28599},
    {"ISO_8859-10:1992", 28600}, {"ISO-IR-157", 28600}, {"LATIN6", 28600}, {"L6", 28600},
    {"CSISOLATIN6", 28600},
    {"ISO-IR-179", 28603}, {"LATIN7", 28603}, {"L7", 28603},
    {"ISO_8859-14:1998", 28604}, {"ISO-IR-199", 28604}, {"LATIN8", 28604}, {"L8", 28604},
    {"ISO-CELTIC", 28604},
    {"ISO_8859-15:1998", 28605}, {"ISO-IR-203", 28605}, {"LATIN-9", 28605}, {"LATIN9", 28605},
    {"ISO_8859-16:2001", 28606}, {"ISO-IR-226", 28606}, {"LATIN10", 28606}, {"L10", 28606},

    {"KOI8-R", 20866}, {"CSKOI8R", 20866}, {"KOI8-U", 21866}, {"KOI8-RU", 21866},
    {"MS-EE", 1250}, {"MS-CYRL", 1251}, {"MS-ANSI", 1252}, {"MS-GREEK", 1253},
    {"MS-TURK", 1254}, {"MS-HEBR", 1255}, {"MS-ARAB", 1256}, {"WINBALTRIM", 1257},
    {"437", 437}, {"CSPC8CODEPAGE437", 437}, {"CSPC775BALTIC", 775},
    {"850", 850}, {"CSPC850MULTILINGUAL", 850}, {"852", 852}, {"CSPCP852", 852},
    {"855", 855}, {"857", 857}, {"860", 860}, {"861", 861}, {"CP-IS", 861},
    {"862", 862}, {"CSPC862LATINHEBREW", 862}, {"863", 863}, {"865", 865}, {"866", 866},
    {"869", 869}, {"CP-GR", 869},
    {"MACROMAN", 10000}, {"MACINTOSH", 10000}, {"MAC", 10000}, {"CSMACINTOSH", 10000},
    {"MACCENTRALEUROPE", 10029}, {"MACICELAND", 10079}, {"MACCROATIAN", 10082},
    {"MACROMANIA", 10010}, {"MACCYRILLIC", 10007}, {"MACUKRAINE", 10017},
    {"MACGREEK", 10006}, {"MACTURKISH", 10081}, {"MACHEBREW", 10005},
    {"MACARABIC", 10004}, {"MACTHAI", 10021},
    {"TIS-620", 874}, {"TIS620", 874}, {"TIS620-0", 874}, {"TIS620.2529-1", 874},
    {"TIS620.2533-0", 874}, {"TIS620.2533-1", 874}, {"ISO-IR-166", 874},

    /* EBCDIC: libxml2 asks for EBCDIC, EBCDIC-US and IBM-037 when a
     * document starts in EBCDIC, and then switches to what it declares. */
    {"EBCDIC", 37}, {"EBCDIC-US", 37}, {"EBCDIC-CP-US", 37}, {"EBCDIC-CP-CA", 37},
    {"EBCDIC-CP-WT", 37}, {"EBCDIC-CP-NL", 37},
    {"EBCDIC-CP-DK", 20277}, {"EBCDIC-CP-NO", 20277}, {"EBCDIC-CP-FI", 20278},
    {"EBCDIC-CP-SE", 20278}, {"EBCDIC-CP-IT", 20280}, {"EBCDIC-CP-ES", 20284},
    {"EBCDIC-CP-GB", 20285}, {"EBCDIC-CP-FR", 20297}, {"EBCDIC-CP-GR", 20423},
    {"EBCDIC-CP-HE", 20424}, {"EBCDIC-CP-BE", 500}, {"EBCDIC-CP-CH", 500},
    {"IBM-THAI", 20838}, {"CSIBMTHAI", 20838}, {"EBCDIC-CP-ROECE", 870}, {"EBCDIC-CP-YU", 870},
    {"EBCDIC-CP-IS", 20871}, {"EBCDIC-GREEK", 875}, {"EBCDIC-CYRILLIC", 20880},
    {"EBCDIC-CP-TR", 20905}, {"EBCDIC-LATIN9-EURO", 20924},
    {"EBCDIC-US-37+EURO", 1140}, {"EBCDIC-DE-273+EURO", 1141}, {"EBCDIC-DK-277+EURO", 1142},
    {"EBCDIC-NO-277+EURO", 1142}, {"EBCDIC-FI-278+EURO", 1143}, {"EBCDIC-SE-278+EURO", 1143},
    {"EBCDIC-IT-280+EURO", 1144}, {"EBCDIC-ES-284+EURO", 1145}, {"EBCDIC-GB-285+EURO", 1146},
    {"EBCDIC-FR-297+EURO", 1147}, {"EBCDIC-INTERNATIONAL-500+EURO", 1148},
    {"EBCDIC-IS-871+EURO", 1149},

    {"EUC-JP", 20932}, {"EUCJP", 20932}, {"CSEUCPKDFMTJAPANESE", 20932},
    {"EXTENDED_UNIX_CODE_PACKED_FORMAT_FOR_JAPANESE", 20932},
    {"SHIFT_JIS", 932}, {"SHIFT-JIS", 932}, {"SJIS", 932}, {"MS_KANJI", 932},
    {"CSSHIFTJIS", 932}, {"WINDOWS-31J", 932}, {"CSWINDOWS31J", 932},
    {"EUC-CN", 936}, {"EUCCN", 936}, {"GB2312", 936}, {"CN-GB", 936}, {"CSGB2312", 936},
    {"GBK", 936}, {"GB18030", -O_GB18030},
    {"BIG5", 950}, {"BIG-5", 950}, {"BIG-FIVE", 950}, {"BIGFIVE", 950}, {"CN-BIG5", 950},
    {"CSBIG5", 950},
    {"EUC-KR", 949}, {"EUCKR", 949}, {"CSEUCKR", 949}, {"UHC", 949}, {"JOHAB", 1361},
};

/* Prefixes of a code page number: CP1252, WINDOWS-1252, IBM-037, CCSID01140 */
static const char *const number_prefixes[] = {
    "CP", "WINDOWS-", "IBM-", "IBM", "MS", "CCSID", "CSIBM",
};

/* Code pages whose characters depend on a shift state or on what came
 * before (ISO-2022, HZ, ISCII): MultiByteToWideChar converts them only as
 * whole strings and cannot tell where a character ends or whether it was
 * valid, so they are refused rather than converted wrongly. (ISO-2022-JP
 * is ours, by name; UTF-7, 65000, is ours.) */
static int stateful_code_page(UINT cp)
{
    return (cp >= 50220 && cp <= 50229) || cp == 52936 || (cp >= 57002 && cp <= 57011) ||
           cp == 42;
}

/* IBM's EBCDIC numbers that Windows numbers 20000 higher. */
static UINT windows_number(unsigned long n)
{
    static const unsigned short plus_20000[] = {
        273, 277, 278, 280, 284, 285, 290, 297, 420, 423, 424, 833, 838, 871, 880, 905,
        924, 1025,
    };
    size_t i;
    for (i = 0; i < sizeof plus_20000 / sizeof *plus_20000; i++)
        if (n == plus_20000[i])
            return (UINT)(20000 + n);
    return (UINT)n;
}

static int parse_number(const char *s, unsigned long *out)
{
    unsigned long n = 0;
    if (!*s)
        return 0;
    for (; *s; s++) {
        if (*s < '0' || *s > '9' || n > 100000)
            return 0;
        n = n * 10 + (unsigned long)(*s - '0');
    }
    *out = n;
    return 1;
}

static int after_prefix(const char *s, const char *prefix, const char **rest)
{
    size_t n = strlen(prefix);
    if (strncmp(s, prefix, n) != 0)
        return 0;
    *rest = s + n;
    return 1;
}

/* The id (as in names[]) of an upper-case name, or 0. */
static int name_id(const char *name)
{
    const char *rest;
    unsigned long n;
    size_t i;

    /* "" and "CHAR" are the locale's own character set, as in GNU libiconv. */
    if (!*name || !strcmp(name, "CHAR"))
        return (int)GetACP();
    for (i = 0; i < sizeof names / sizeof *names; i++)
        if (!strcmp(name, names[i].name))
            return names[i].id;
    if ((after_prefix(name, "ISO-8859-", &rest) || after_prefix(name, "ISO_8859-", &rest) ||
         after_prefix(name, "ISO8859-", &rest)) && parse_number(rest, &n) && n >= 1 && n <= 16) {
        if (n == 1)
            return -O_LATIN1;
        return n == 12 ? 0 : (int)(28590 + n);
    }
    for (i = 0; i < sizeof number_prefixes / sizeof *number_prefixes; i++)
        if (after_prefix(name, number_prefixes[i], &rest) && parse_number(rest, &n) && n > 0)
            return (int)windows_number(n);
    return 0;
}

/* The code pages that are the Unicode forms, ASCII, ISO-8859-1 and
 * GB18030, which are done by our own code. */
static int own_code_page(UINT cp)
{
    switch (cp) {
    case 65001: return O_UTF8;
    case 65000: return O_UTF7;
    case 54936: return O_GB18030;
    case 1200: return O_UTF16LE;
    case 1201: return O_UTF16BE;
    case 12000: return O_UTF32LE;
    case 12001: return O_UTF32BE;
    case 20127: return O_ASCII;
    case 28591: return O_LATIN1;
    }
    return 0;
}

int charset_lookup(const char *name, struct charset *cs)
{
    char upper[64];
    size_t i, n = strlen(name);
    int id, own;

    if (n >= sizeof upper)
        return 0;
    for (i = 0; i <= n; i++) {
        unsigned char c = (unsigned char)name[i];
        if (c >= 0x80)
            return 0;
        upper[i] = (char)(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    memset(cs, 0, sizeof *cs);
    id = name_id(upper);
    if (id == 0)
        return 0;
    own = id < 0 ? -id : own_code_page((UINT)id);
    if (own) {
        cs->kind = own_forms[own].kind;
        cs->big_endian = own_forms[own].big_endian;
        cs->bom_in = own_forms[own].bom_in;
        cs->bom_out = own_forms[own].bom_out;
        cs->bmp_only = own_forms[own].bmp_only;
        if (own == O_ISO2022JP) {
            /* JIS X 0208 comes from the EUC-JP page, byte for byte + 0x80. */
            if (!codepage_open(cs, 20932))
                return 0;
            cs->structure = S_EUC_JP;
            cs->kind = K_ISO2022JP;
        }
        if (own == O_GB18030)
            return gb18030_open(cs);
        return 1;
    }
    if (stateful_code_page((UINT)id) || !codepage_open(cs, (UINT)id))
        return 0;
    if (id == 20932)
        cs->structure = S_EUC_JP;
    return 1;
}
