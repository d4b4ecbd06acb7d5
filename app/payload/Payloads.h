#pragma once
// The payload set, as the C++ reads its list (Payloads.def), and the bytes
// that the executable carries for each payload.

#include <cstddef>

#include "platform/Failure.h"
#include "platform/System.h"

namespace vek {

struct Payload {
  const char* fileName;      // e.g. "libxml2.dll"
  const char* resourceName;  // the resource that holds it, e.g. "libxml2dll"
};

// The payloads in the order of the list.
inline constexpr Payload kPayloads[] = {
#define VEK_PAYLOAD(fileName, resourceName) {fileName, resourceName},
#include "app/payload/Payloads.def"
#undef VEK_PAYLOAD
};

inline constexpr std::size_t kPayloadCount = sizeof kPayloads / sizeof kPayloads[0];

// The bytes that the executable carries for `payload`, read in place from
// its own resources into *bytes. Fails with "Resource %s not found" (the
// resource's name), *bytes left as it was.
Failure RecursoDaDll(System& system, const Payload& payload, ResourceBytes* bytes);

}  // namespace vek
