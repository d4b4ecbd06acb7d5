/* Reads each XML file named on the command line with libxml2, whole and
 * pushed three bytes at a time (so that characters and shift sequences are
 * cut between calls into iconv), and writes it back in its own encoding.
 * Prints one line per file, test_xml_encodings.py compares:
 *
 *   READ PUSHED SAVED [MESSAGE]
 *
 * READ and PUSHED are the root element's text in UTF-8 as hex, or ERROR;
 * SAVED is the document read whole, written back as hex, or "-"; MESSAGE is
 * libxml2's message for the first error. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

static void quiet(void *ctx, const char *msg, ...)
{
    (void)ctx;
    (void)msg;
}

static void print_hex(const unsigned char *p, size_t n)
{
    size_t k;

    for (k = 0; k < n; k++)
        printf("%02X", p[k]);
    if (n == 0)
        printf("-");
}

/* The root element's text, as hex, or ERROR. */
static void print_text(xmlDocPtr doc)
{
    xmlChar *text;

    if (!doc || !xmlDocGetRootElement(doc)) {
        printf("ERROR");
        return;
    }
    text = xmlNodeGetContent(xmlDocGetRootElement(doc));
    print_hex(text, text ? strlen((const char *)text) : 0);
    xmlFree(text);
}

/* The whole file, or NULL. */
static unsigned char *read_all(const char *path, size_t *size)
{
    FILE *f = fopen(path, "rb");
    unsigned char *data;
    long n;

    if (!f)
        return NULL;
    fseek(f, 0, SEEK_END);
    n = ftell(f);
    fseek(f, 0, SEEK_SET);
    data = malloc(n > 0 ? (size_t)n : 1);
    if (data && fread(data, 1, (size_t)n, f) != (size_t)n) {
        free(data);
        data = NULL;
    }
    fclose(f);
    *size = (size_t)n;
    return data;
}

/* The document pushed in pieces of three bytes (the first four together,
 * as libxml2 wants them to tell the encoding); NULL if not well-formed or
 * if a piece failed (an encoding error only halts the push parser). */
static xmlDocPtr push(const char *path)
{
    size_t size, at;
    unsigned char *data = read_all(path, &size);
    xmlParserCtxtPtr ctxt;
    xmlDocPtr doc = NULL;
    int failed = 0;

    if (!data || size < 4) {
        free(data);
        return NULL;
    }
    ctxt = xmlCreatePushParserCtxt(NULL, NULL, (const char *)data, 4, path);
    for (at = 4; ctxt && at < size && !failed; at += 3)
        failed = xmlParseChunk(ctxt, (const char *)data + at, size - at < 3 ? (int)(size - at) : 3, 0);
    if (ctxt) {
        if (!failed)
            failed = xmlParseChunk(ctxt, NULL, 0, 1);
        doc = ctxt->myDoc;
        if (failed || !ctxt->wellFormed) {
            xmlFreeDoc(doc);
            doc = NULL;
        }
        xmlFreeParserCtxt(ctxt);
    }
    free(data);
    return doc;
}

int main(int argc, char **argv)
{
    int i;

    xmlSetGenericErrorFunc(NULL, quiet);
    for (i = 1; i < argc; i++) {
        xmlDocPtr doc = xmlReadFile(argv[i], NULL, XML_PARSE_NONET), pushed;
        const xmlError *error = xmlGetLastError();
        char message[200] = "";
        xmlChar *saved = NULL;
        int saved_size = 0;

        if (error && error->message)
            snprintf(message, sizeof message, " %s", error->message);
        xmlResetLastError();
        pushed = push(argv[i]);
        error = xmlGetLastError();
        if (!*message && error && error->message)
            snprintf(message, sizeof message, " %s", error->message);
        xmlResetLastError();
        /* In the encoding declared; UTF-8, declared so, for none (libxml2
         * would write ASCII with character references). */
        if (doc)
            xmlDocDumpMemoryEnc(doc, &saved, &saved_size,
                                doc->encoding ? (const char *)doc->encoding : "UTF-8");
        print_text(doc);
        printf(" ");
        print_text(pushed);
        printf(" ");
        print_hex(saved, saved ? (size_t)saved_size : 0);
        /* libxml2's messages end with a line feed. */
        printf("%s%s", message, *message && message[strlen(message) - 1] == '\n' ? "" : "\n");
        xmlFree(saved);
        xmlFreeDoc(doc);
        xmlFreeDoc(pushed);
    }
    return 0;
}
