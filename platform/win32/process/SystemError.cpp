#include "platform/win32/process/SystemError.h"

#include <windows.h>

namespace vek::win32 {

Text ErrorDescription(unsigned long code) {
  char buffer[512];
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, buffer, sizeof buffer, nullptr);
  return Text(buffer, length);
}

Text ErrorReason(unsigned long code) { return WithoutSentenceEnd(ErrorDescription(code)); }

}  // namespace vek::win32
