/* iconv.dll: character set conversion with the standard iconv interface,
 * built on the Windows code-page functions. The functions are also exported
 * as libiconv_open, libiconv and libiconv_close, the names that programs
 * built against GNU libiconv's header import. */
#ifndef VEK_ICONV_H
#define VEK_ICONV_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef VEK_ICONV_BUILDING
#define VEK_ICONV_API __declspec(dllexport)
#else
#define VEK_ICONV_API __declspec(dllimport)
#endif

typedef void *iconv_t;

VEK_ICONV_API iconv_t iconv_open(const char *tocode, const char *fromcode);
VEK_ICONV_API size_t iconv(iconv_t cd, char **inbuf, size_t *inbytesleft,
                           char **outbuf, size_t *outbytesleft);
VEK_ICONV_API int iconv_close(iconv_t cd);

VEK_ICONV_API iconv_t libiconv_open(const char *tocode, const char *fromcode);
VEK_ICONV_API size_t libiconv(iconv_t cd, char **inbuf, size_t *inbytesleft,
                              char **outbuf, size_t *outbytesleft);
VEK_ICONV_API int libiconv_close(iconv_t cd);

#ifdef __cplusplus
}
#endif

#endif
