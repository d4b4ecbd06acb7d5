#include "platform/win32/window/WindowClass.h"

namespace vek::win32 {

void RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure,
                         const ClassLook& look) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = look.icon;
  windowClass.hIconSm = look.smallIcon;
  if (look.arrowCursor) {
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  }
  windowClass.hbrBackground = look.background;
  windowClass.lpszClassName = name;
  RegisterClassExA(&windowClass);
}

}  // namespace vek::win32
