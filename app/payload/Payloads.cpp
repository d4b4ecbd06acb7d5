#include "app/payload/Payloads.h"

namespace vek {

const Payload kPayloads[kPayloadCount] = {
    {"libxml2.dll", "libxml2dll"},
    {"libxmlsec.dll", "libxmlsecdll"},
    {"libxmlsec-openssl.dll", "libxmlsecopenssldll"},
    {"libxslt.dll", "libxsltdll"},
    {"midas.dll", "midasdll"},
    {"zlib1.dll", "zlib1dll"},
    {"iconv.dll", "iconvdll"},
};

const char* const kTipoRecursoDll = "DLLFILE";

}  // namespace vek
