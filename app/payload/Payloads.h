#pragma once
// The payload set: the seven libraries that the executable carries as its
// own resources, in the fixed order of the extraction and of the
// installation run (the number on the wait panel is the position + 1).

#include <cstddef>

namespace vek {

struct Payload {
  const char* fileName;      // e.g. "libxml2.dll"
  const char* resourceName;  // the file name in lower case without dots and hyphens
};

constexpr std::size_t kPayloadCount = 7;
extern const Payload kPayloads[kPayloadCount];

// The resource type under which the payloads are stored.
extern const char* const kTipoRecursoDll;  // "DLLFILE"

}  // namespace vek
