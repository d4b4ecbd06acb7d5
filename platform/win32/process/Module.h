#pragma once
// Loaded modules: the full path of one, and its exports, each as a function
// of its own type.

#include <windows.h>

#include "platform/win32/WideText.h"

namespace vek::win32 {

// The full path of a loaded module, by default the running executable's,
// however long: the buffer grows until the whole path fits. Empty only if
// Windows cannot tell it.
WideText ModulePath(HMODULE module = nullptr);

// The function at `address`, an export found at run time, as the pointer
// type `Function` that it has; null for null. The program's one conversion
// of an address into a function.
template <typename Function>
Function FunctionAt(void* address) {
  return reinterpret_cast<Function>(address);
}

// The export `name` of `module` as a `Function`, the pointer type that it
// has; null when the module is null or has no export by that name.
template <typename Function>
Function Export(HMODULE module, const char* name) {
  return FunctionAt<Function>(module ? reinterpret_cast<void*>(GetProcAddress(module, name))
                                     : nullptr);
}

}  // namespace vek::win32
