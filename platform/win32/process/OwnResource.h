#pragma once
// The executable's own resources, read in place.

#include "platform/System.h"

namespace vek::win32 {

// The resource `name` of type `type` (a name such as "DLLFILE", or one of
// Windows' own types such as RT_RCDATA) of the running executable, names
// compared without regard to case: its bytes, in the loaded image, never
// freed or written. Empty (null data) when there is none or it cannot be
// loaded.
ResourceBytes OwnResource(const char* name, const char* type);

}  // namespace vek::win32
