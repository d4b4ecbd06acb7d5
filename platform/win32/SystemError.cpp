#include "platform/win32/SystemError.h"

#include <windows.h>

namespace vek::win32 {

Text ErrorDescription(unsigned long code) {
  char buffer[512];
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, buffer, sizeof buffer, nullptr);
  return Text(buffer, length);
}

Text ErrorReason(unsigned long code) {
  const Text description = ErrorDescription(code);
  std::size_t end = description.Length();
  while (end > 0) {
    const char c = description[end - 1];
    if (c != ' ' && c != '\r' && c != '\n' && c != '.') break;
    --end;
  }
  return description.Left(end);
}

}  // namespace vek::win32
