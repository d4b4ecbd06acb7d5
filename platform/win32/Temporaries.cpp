#include "platform/win32/Temporaries.h"

#include <windows.h>

namespace vek::win32 {

Text TemporaryName() {
  static unsigned long counter = 0;
  return Text("vek") + DecimalText(static_cast<long>(GetCurrentProcessId())) + "-" +
         DecimalText(static_cast<long>(++counter)) + ".tmp";
}

WideText TemporaryPattern() { return WideText(L"vek*.tmp", 8); }

bool IsTemporaryName(const WideText& path) {
  const wchar_t* name = path.CStr() + FolderLength(path);
  const auto skip = [&name](const wchar_t* text) {
    for (; *text; ++text, ++name) {
      if (*name != *text) return false;
    }
    return true;
  };
  const auto number = [&name] {
    const wchar_t* start = name;
    while (*name >= L'0' && *name <= L'9') ++name;
    return name != start;
  };
  return skip(L"vek") && number() && skip(L"-") && number() && skip(L".tmp") && !*name;
}

}  // namespace vek::win32
