#pragma once
// The names of the program's temporary files and folders: "vek<process>-<n>.tmp"
// in the folder that they serve.

#include "platform/Text.h"
#include "platform/win32/WideText.h"

namespace vek::win32 {

// A new temporary name: this process's id and a counter that never
// repeats in it.
Text TemporaryName();

// The pattern that every temporary name matches, for ForEachEntry. Other
// names match it too (and short names: "vekdados.tmpx" is "VEKDAD~1.TMP").
WideText TemporaryPattern();

// True when the last name of `path` is exactly of the form that
// TemporaryName gives: "vek", digits, "-", digits, ".tmp".
bool IsTemporaryName(const WideText& path);

}  // namespace vek::win32
