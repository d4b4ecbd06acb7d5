#pragma once
// Names of the executable's own resources that the toolkit uses.

namespace vek::win32 {

// The program's icon (ICON resource).
constexpr const char* kIconResource = "MAINICON";
// The pictures (logo, glyphs) are RCDATA resources named in the layout,
// made by the build (tools/images) in the form in which they are painted.

}  // namespace vek::win32
