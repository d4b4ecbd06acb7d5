#pragma once
// The Windows system folder, as Windows reports it.

#include "platform/win32/WideText.h"

namespace vek::win32 {

// The system folder of a process of this bitness, as Windows reports it,
// with its trailing backslash, however long: with `wow64`, the folder of
// 32-bit processes on 64-bit Windows; without, GetSystemDirectory's (which
// a 32-bit process on 64-bit Windows reaches redirected to that one).
// Empty when Windows cannot tell, as 32-bit Windows, which has no WOW64
// folder, cannot.
WideText SystemFolder(bool wow64);

}  // namespace vek::win32
