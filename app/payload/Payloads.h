#pragma once
// The payload set: the seven libraries that the executable carries as its
// own resources, in the fixed order of the extraction and of the
// installation run (the number on the wait panel is the position + 1).
//
// This table is the only list of the payloads: the build reads it to embed
// the files (one resource per row, named in upper case) and to tell the test
// harness what the executable carries. Keep one row per line, as below.

#include <cstddef>

namespace vek {

struct Payload {
  const char* fileName;      // e.g. "libxml2.dll"
  const char* resourceName;  // the file name in lower case without dots and hyphens
};

inline constexpr Payload kPayloads[] = {
    {"libxml2.dll", "libxml2dll"},
    {"libxmlsec.dll", "libxmlsecdll"},
    {"libxmlsec-openssl.dll", "libxmlsecopenssldll"},
    {"libxslt.dll", "libxsltdll"},
    {"midas.dll", "midasdll"},
    {"zlib1.dll", "zlib1dll"},
    {"iconv.dll", "iconvdll"},
};

inline constexpr std::size_t kPayloadCount = sizeof kPayloads / sizeof kPayloads[0];

// The resource type under which the payloads are stored.
inline constexpr char kTipoRecursoDll[] = "DLLFILE";

}  // namespace vek
