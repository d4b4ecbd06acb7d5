#include "platform/win32/process/OwnResource.h"

#include <windows.h>

namespace vek::win32 {

ResourceBytes OwnResource(const char* name, const char* type) {
  ResourceBytes bytes;
  // Resource handles are not real memory handles: nothing here is ever freed.
  HRSRC resource = FindResourceA(nullptr, name, type);
  HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return bytes;
  bytes.data = static_cast<const unsigned char*>(data);
  bytes.size = SizeofResource(nullptr, resource);
  return bytes;
}

}  // namespace vek::win32
