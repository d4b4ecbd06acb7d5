#include "platform/win32/files/Temporaries.h"

#include <windows.h>

namespace vek::win32 {

OwnedHandle MakeUnderTemporaryName(const WideText& folder,
                                   OwnedHandle (*make)(const WideText& path), Text* name) {
  static unsigned long counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const Text own = Text("vek") + DecimalText(static_cast<long>(GetCurrentProcessId())) + "-" +
                     DecimalText(static_cast<long>(++counter)) + ".tmp";
    OwnedHandle made = make(Join(folder, Widen(own)));
    if (made) {
      if (name) *name = own;
      return made;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return OwnedHandle();
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
