/* Reads each XML file named on the command line with libxml2 and prints
 * one line per file: "OK <hex of the root element's text in UTF-8>" or
 * "ERROR <libxml2's message>". test_xml_encodings.py compares. */
#include <stdio.h>
#include <string.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

static void quiet(void *ctx, const char *msg, ...)
{
    (void)ctx;
    (void)msg;
}

int main(int argc, char **argv)
{
    int i;

    xmlSetGenericErrorFunc(NULL, quiet);
    for (i = 1; i < argc; i++) {
        xmlDocPtr doc = xmlReadFile(argv[i], NULL, XML_PARSE_NONET);
        xmlChar *text;
        size_t k;

        if (!doc) {
            const xmlError *error = xmlGetLastError();
            printf("ERROR %s", error && error->message ? error->message : "(no message)\n");
            continue;
        }
        text = xmlNodeGetContent(xmlDocGetRootElement(doc));
        printf("OK ");
        for (k = 0; text && text[k]; k++)
            printf("%02X", text[k]);
        printf("\n");
        xmlFree(text);
        xmlFreeDoc(doc);
        xmlResetLastError();
    }
    return 0;
}
