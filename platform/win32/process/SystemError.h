#pragma once
// The system's own words for an error code.

#include "platform/Text.h"

namespace vek::win32 {

// The description of a Windows error code as FormatMessage gives it, with
// its trailing period and line break; empty when the system has none.
Text ErrorDescription(unsigned long code);

// The same description without its trailing blanks, line breaks and
// periods, as it goes into the middle of a sentence.
Text ErrorReason(unsigned long code);

}  // namespace vek::win32
