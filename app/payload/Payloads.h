#pragma once
// The payload set, as the C++ reads its list (Payloads.def).

#include <cstddef>

#include "platform/Failure.h"
#include "platform/System.h"
#include "platform/Text.h"

namespace vek {

// The payloads' file names, e.g. "libxml2.dll", in the order of the list.
inline constexpr const char* kPayloads[] = {
#define VEK_PAYLOAD(fileName) fileName,
#include "app/payload/Payloads.def"
#undef VEK_PAYLOAD
};

inline constexpr std::size_t kPayloadCount = sizeof kPayloads / sizeof kPayloads[0];

// The name of the resource that holds the payload `fileName`: the file
// name in lower case without dots and hyphens ("libxmlsec-openssl.dll" is
// "libxmlsecopenssldll"). The build names the resources in the same way.
Text NomeDoRecurso(const char* fileName);

// The bytes that the executable carries for the payload `fileName`, read in
// place from its own resources into *bytes. Fails with "Resource %s not
// found" (the resource's name), *bytes left as it was.
Failure RecursoDaDll(System& system, const char* fileName, ResourceBytes* bytes);

}  // namespace vek
