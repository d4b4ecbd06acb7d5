#pragma once
// The program's window classes, all registered the one way.

#include <windows.h>

namespace vek::win32 {

// What a window class gives its windows besides their procedure; null (or
// false) for none of it.
struct ClassLook {
  HICON icon;       // shared, never destroyed
  HICON smallIcon;  // shared, never destroyed
  bool arrowCursor;  // the system's arrow
  HBRUSH background;
};

// Registers the class `name` of `instance`, whose windows `procedure`
// handles, with `look`. A name that is registered already stays as it was.
void RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure,
                         const ClassLook& look);

}  // namespace vek::win32
