/* Uses every payload library for real, loaded from the folder of this
 * program (the seven DLLs are copied beside it), under Wine.
 *
 * Prints "group NAME" before each group of checks, "FAIL NAME: line N: ..."
 * for each failed check, and a closing "N passed, N failed" line; exits
 * non-zero if anything failed. test_payload_use.py reads the groups. */

/* The flags that xmlsec's own build gives the programs that use it: the
 * structures in its headers depend on them. */
#define XMLSEC_CRYPTO_OPENSSL 1
#define XMLSEC_NO_GOST 1
#define XMLSEC_NO_GOST2012 1
#define XMLSEC_NO_CRYPTO_DYNAMIC_LOADING 1
#define __XMLSEC_FUNCTION__ __func__

#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <zlib.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <xmlsec/crypto.h>
#include <xmlsec/templates.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>
#include <xmlsec/xmltree.h>

static const char *group = "";
static int passed, failed;
static char folder[MAX_PATH];

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
    fflush(stdout);
}

/* A file in this program's folder. */
static const char *here(const char *name, char *path)
{
    snprintf(path, MAX_PATH, "%s\\%s", folder, name);
    return path;
}

static int loaded_from_here(const char *dll)
{
    char path[MAX_PATH], expected[MAX_PATH];
    HMODULE module = GetModuleHandleA(dll);

    if (!module || !GetModuleFileNameA(module, path, sizeof path))
        return 0;
    return !lstrcmpiA(path, here(dll, expected));
}

static void test_zlib(void)
{
    unsigned char data[20000], packed[25000], unpacked[20000];
    uLongf packed_len = sizeof packed, unpacked_len = sizeof unpacked;
    int i;

    begin("zlib");
    CHECK(loaded_from_here("zlib1.dll"));
    for (i = 0; i < (int)sizeof data; i++)
        data[i] = (unsigned char)("payload "[i % 8] + i / 997);
    CHECK(compress2(packed, &packed_len, data, sizeof data, 9) == Z_OK);
    CHECK(packed_len < sizeof data / 4);
    CHECK(uncompress(unpacked, &unpacked_len, packed, packed_len) == Z_OK);
    CHECK(unpacked_len == sizeof data && !memcmp(unpacked, data, sizeof data));
    CHECK(crc32(0, data, sizeof data) == crc32(0, unpacked, unpacked_len));
}

static xmlChar *root_text(xmlDocPtr doc)
{
    xmlNodePtr root = xmlDocGetRootElement(doc);
    return root ? xmlNodeGetContent(root) : NULL;
}

static void test_libxml2_cp1252(void)
{
    /* "Grüße €" in windows-1252: libxml2 has no converter of its own for it
     * and goes through iconv.dll both ways. */
    static const char text[] =
        "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<doc>Gr\xFC\xDF" "e \x80</doc>\n";
    xmlDocPtr doc;
    xmlChar *content, *dump = NULL;
    int dump_len = 0;

    begin("libxml2-cp1252");
    CHECK(loaded_from_here("libxml2.dll"));
    CHECK(loaded_from_here("iconv.dll"));
    doc = xmlReadMemory(text, sizeof text - 1, "cp1252.xml", NULL, 0);
    CHECK(doc != NULL);
    if (!doc)
        return;
    content = root_text(doc);
    CHECK(content && !strcmp((char *)content, "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"));
    xmlFree(content);
    xmlDocDumpMemoryEnc(doc, &dump, &dump_len, "windows-1252");
    CHECK(dump && strstr((char *)dump, "Gr\xFC\xDF" "e \x80</doc>"));
    xmlFree(dump);
    /* A character that windows-1252 lacks becomes a character reference:
     * iconv.dll must say EILSEQ for it rather than write a '?'. */
    xmlNodeSetContent(xmlDocGetRootElement(doc), BAD_CAST "\xE6\xBC\xA2");
    xmlDocDumpMemoryEnc(doc, &dump, &dump_len, "windows-1252");
    CHECK(dump && strstr((char *)dump, "<doc>&#28450;</doc>"));
    xmlFree(dump);
    xmlFreeDoc(doc);
}

static void test_libxml2_gzip(void)
{
    static const char text[] = "<?xml version=\"1.0\"?>\n<doc><item>compressed</item></doc>\n";
    char gz[MAX_PATH], saved[MAX_PATH];
    unsigned char magic[2] = {0, 0};
    gzFile out;
    xmlDocPtr doc;
    xmlChar *content;
    FILE *f;

    begin("libxml2-gzip");
    /* Written with zlib directly, read by libxml2 through zlib1.dll. */
    out = gzopen(here("doc.xml.gz", gz), "wb");
    CHECK(out != NULL);
    if (!out)
        return;
    CHECK(gzwrite(out, text, sizeof text - 1) == (int)(sizeof text - 1));
    CHECK(gzclose(out) == Z_OK);
    f = fopen(gz, "rb");
    CHECK(f && fread(magic, 1, 2, f) == 2 && magic[0] == 0x1F && magic[1] == 0x8B);
    if (f)
        fclose(f);

    doc = xmlReadFile(gz, NULL, 0);
    CHECK(doc != NULL);
    if (!doc)
        return;
    content = root_text(doc);
    CHECK(content && !strcmp((char *)content, "compressed"));
    xmlFree(content);

    /* And libxml2 writes it compressed again. */
    xmlSetDocCompressMode(doc, 9);
    CHECK(xmlSaveFile(here("saved.xml.gz", saved), doc) > 0);
    xmlFreeDoc(doc);
    f = fopen(saved, "rb");
    magic[0] = magic[1] = 0;
    CHECK(f && fread(magic, 1, 2, f) == 2 && magic[0] == 0x1F && magic[1] == 0x8B);
    if (f)
        fclose(f);
    doc = xmlReadFile(saved, NULL, 0);
    content = doc ? root_text(doc) : NULL;
    CHECK(content && !strcmp((char *)content, "compressed"));
    xmlFree(content);
    xmlFreeDoc(doc);
}

static void test_libxslt(void)
{
    static const char style_text[] =
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:output method=\"text\" encoding=\"UTF-8\"/>"
        "<xsl:template match=\"/list\">"
        "<xsl:for-each select=\"item\"><xsl:sort select=\"@n\" data-type=\"number\"/>"
        "<xsl:value-of select=\"concat(@n, '=', ., ';')\"/></xsl:for-each>"
        "<xsl:value-of select=\"count(item)\"/>"
        "</xsl:template></xsl:stylesheet>";
    static const char doc_text[] =
        "<list><item n=\"3\">c</item><item n=\"1\">a\xC3\xA9</item><item n=\"2\">b</item></list>";
    xmlDocPtr style_doc, doc, result;
    xsltStylesheetPtr style;
    xmlChar *out = NULL;
    int out_len = 0;

    begin("libxslt");
    CHECK(loaded_from_here("libxslt.dll"));
    style_doc = xmlReadMemory(style_text, sizeof style_text - 1, "style.xsl", NULL, 0);
    style = style_doc ? xsltParseStylesheetDoc(style_doc) : NULL;
    CHECK(style != NULL);
    doc = xmlReadMemory(doc_text, sizeof doc_text - 1, "list.xml", NULL, 0);
    CHECK(doc != NULL);
    if (!style || !doc)
        return;
    result = xsltApplyStylesheet(style, doc, NULL);
    CHECK(result != NULL);
    if (result) {
        CHECK(xsltSaveResultToString(&out, &out_len, result, style) == 0);
        CHECK(out && !strcmp((char *)out, "1=a\xC3\xA9;2=b;3=c;3"));
        xmlFree(out);
        xmlFreeDoc(result);
    }
    xmlFreeDoc(doc);
    xsltFreeStylesheet(style);
}

/* ------------------------------------------------------------------ xmlsec */

static const char envelope[] =
    "<?xml version=\"1.0\"?>\n<Envelope><Data amount=\"100\">payload</Data></Envelope>\n";

/* The envelope signed (enveloped signature) with `key`, as text. */
static xmlChar *sign(xmlSecKeyPtr key, xmlSecTransformId method)
{
    xmlDocPtr doc = xmlReadMemory(envelope, sizeof envelope - 1, "envelope.xml", NULL, 0);
    xmlNodePtr signature, reference;
    xmlSecDSigCtxPtr ctx;
    xmlChar *text = NULL;
    int len = 0, ok;

    if (!doc)
        return NULL;
    signature = xmlSecTmplSignatureCreate(doc, xmlSecTransformExclC14NId, method, NULL);
    xmlAddChild(xmlDocGetRootElement(doc), signature);
    reference = xmlSecTmplSignatureAddReference(signature, xmlSecTransformSha256Id, NULL, BAD_CAST "", NULL);
    xmlSecTmplReferenceAddTransform(reference, xmlSecTransformEnvelopedId);
    ctx = xmlSecDSigCtxCreate(NULL);
    ctx->signKey = xmlSecKeyDuplicate(key);
    ok = xmlSecDSigCtxSign(ctx, signature) == 0;
    xmlSecDSigCtxDestroy(ctx);
    if (ok)
        xmlDocDumpMemory(doc, &text, &len);
    xmlFreeDoc(doc);
    return text;
}

/* 1: the signature in `text` verifies with `key`, 0: it does not, -1: error. */
static int verify(const char *text, xmlSecKeyPtr key)
{
    xmlDocPtr doc = xmlReadMemory(text, (int)strlen(text), "signed.xml", NULL, 0);
    xmlNodePtr signature;
    xmlSecDSigCtxPtr ctx;
    int result = -1;

    if (!doc)
        return -1;
    signature = xmlSecFindNode(xmlDocGetRootElement(doc), xmlSecNodeSignature, xmlSecDSigNs);
    if (signature) {
        ctx = xmlSecDSigCtxCreate(NULL);
        ctx->signKey = xmlSecKeyDuplicate(key);
        if (xmlSecDSigCtxVerify(ctx, signature) == 0)
            result = ctx->status == xmlSecDSigStatusSucceeded;
        xmlSecDSigCtxDestroy(ctx);
    }
    xmlFreeDoc(doc);
    return result;
}

static char *replace(const char *text, const char *from, const char *to)
{
    static char out[16384];
    const char *at = strstr(text, from);

    if (!at || strlen(text) + strlen(to) >= sizeof out)
        return NULL;
    snprintf(out, sizeof out, "%.*s%s%s", (int)(at - text), text, to, at + strlen(from));
    return out;
}

static void signs_and_verifies(const char *name, xmlSecKeyPtr key, xmlSecTransformId method)
{
    xmlChar *signed_text;
    char *tampered;

    begin(name);
    CHECK(key != NULL);
    if (!key)
        return;
    signed_text = sign(key, method);
    CHECK(signed_text != NULL);
    if (!signed_text)
        return;
    CHECK(strstr((char *)signed_text, "<SignatureValue>") != NULL);
    CHECK(verify((char *)signed_text, key) == 1);
    /* Changed data, or a changed attribute, and the signature no longer holds. */
    tampered = replace((char *)signed_text, ">payload<", ">PAYLOAD<");
    CHECK(tampered && verify(tampered, key) == 0);
    tampered = replace((char *)signed_text, "amount=\"100\"", "amount=\"900\"");
    CHECK(tampered && verify(tampered, key) == 0);
    xmlFree(signed_text);
}

static void test_xmlsec(void)
{
    static const unsigned char secret[32] = "a secret made up for this test!";
    xmlSecKeyPtr hmac, rsa, other;

    begin("xmlsec-init");
    CHECK(loaded_from_here("libxmlsec.dll"));
    CHECK(xmlSecInit() == 0);
    CHECK(xmlSecCheckVersion() == 1);
    CHECK(xmlSecOpenSSLAppInit(NULL) == 0);
    CHECK(xmlSecOpenSSLInit() == 0);
    CHECK(loaded_from_here("libxmlsec-openssl.dll"));

    hmac = xmlSecKeyReadMemory(xmlSecKeyDataHmacId, secret, sizeof secret);
    signs_and_verifies("xmlsec-hmac", hmac, xmlSecTransformHmacSha256Id);

    /* An RSA key made here: key generation, big numbers and the random
     * source of the OpenSSL inside the engine all take part. */
    rsa = xmlSecKeyGenerate(xmlSecKeyDataRsaId, 1024, xmlSecKeyDataTypePrivate);
    signs_and_verifies("xmlsec-rsa", rsa, xmlSecTransformRsaSha256Id);

    begin("xmlsec-wrong-key");
    other = xmlSecKeyGenerate(xmlSecKeyDataRsaId, 1024, xmlSecKeyDataTypePrivate);
    if (rsa && other) {
        xmlChar *signed_text = sign(rsa, xmlSecTransformRsaSha256Id);
        CHECK(signed_text && verify((char *)signed_text, other) == 0);
        xmlFree(signed_text);
    } else {
        CHECK(rsa && other);
    }
    xmlSecKeyDestroy(other);
    xmlSecKeyDestroy(rsa);
    xmlSecKeyDestroy(hmac);
    xmlSecOpenSSLShutdown();
    xmlSecOpenSSLAppShutdown();
    xmlSecShutdown();
}

static void test_midas(void)
{
    char path[MAX_PATH];
    HMODULE midas;

    begin("midas");
    midas = LoadLibraryA(here("midas.dll", path));
    CHECK(midas != NULL);
    if (midas)
        CHECK(FreeLibrary(midas));
}

int main(void)
{
    char *slash;

    GetModuleFileNameA(NULL, folder, sizeof folder);
    slash = strrchr(folder, '\\');
    if (slash)
        *slash = '\0';

    xmlInitParser();
    test_zlib();
    test_libxml2_cp1252();
    test_libxml2_gzip();
    test_libxslt();
    test_xmlsec();
    test_midas();
    xsltCleanupGlobals();
    xmlCleanupParser();
    printf("%d passed, %d failed\n", passed, failed);
    return failed != 0;
}
