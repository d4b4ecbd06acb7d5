#include "platform/win32/Temporaries.h"

#include <windows.h>

namespace vek::win32 {

Text TemporaryName() {
  static unsigned long counter = 0;
  return Text("vek") + DecimalText(static_cast<long>(GetCurrentProcessId())) + "-" +
         DecimalText(static_cast<long>(++counter)) + ".tmp";
}

WideText TemporaryPattern() { return WideText(L"vek*.tmp", 8); }

}  // namespace vek::win32
