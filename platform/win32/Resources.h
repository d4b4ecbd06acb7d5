#pragma once
// Names of the executable's own resources that the toolkit uses.

namespace vek::win32 {

// The program's icon (ICON resource).
constexpr const char* kIconResource = "MAINICON";
// The PNG pictures (logo, glyphs) are RCDATA resources named in the layout.

}  // namespace vek::win32
