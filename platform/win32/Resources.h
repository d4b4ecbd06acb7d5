#pragma once
// Names of the executable's own resources that the toolkit uses, and the
// long-path-safe query for the executable's own path.

#include "common/Text.h"

namespace vek::win32 {

// The program's icon (ICON resource).
constexpr const char* kIconResource = "MAINICON";
// The PNG pictures (logo, glyphs) are RCDATA resources named in the layout.

// The full path of the running executable, however long: the buffer grows
// until the whole path fits. Empty only if Windows cannot tell it.
Text ModulePath();

}  // namespace vek::win32
