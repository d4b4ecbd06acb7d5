#pragma once
// The names of the program's temporary files and folders: "vek<process>-<n>.tmp"
// in the folder that they serve.

#include "platform/Text.h"
#include "platform/win32/WideText.h"

namespace vek::win32 {

// A new temporary name: this process's id and a counter that never
// repeats in it.
Text TemporaryName();

// The pattern that every temporary name matches, for ForEachEntry.
WideText TemporaryPattern();

}  // namespace vek::win32
