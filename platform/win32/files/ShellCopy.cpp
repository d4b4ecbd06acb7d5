#include "platform/win32/files/ShellCopy.h"

#include <shellapi.h>

#include <cstring>

#include "platform/Owned.h"
#include "platform/win32/files/WidePath.h"
#include "platform/win32/process/DllSearch.h"
#include "platform/win32/process/Module.h"
#include "platform/win32/process/SystemError.h"

namespace vek::win32 {

namespace {

// A shell name list holding one name: the name, its NUL, and the empty name
// (a second NUL) that closes the list.
Buffer<wchar_t> NameList(const WideText& name) {
  Buffer<wchar_t> list(name.Length() + 2);
  std::memcpy(list.Data(), name.CStr(), name.Length() * sizeof(wchar_t));
  list[name.Length()] = L'\0';
  list[name.Length() + 1] = L'\0';
  return list;
}

}  // namespace

void Shell::Load() {
  if (!shell32_) shell32_.Reset(LoadFromSystemFolder("shell32.dll"));
}

Failure Shell::Copy(const Path& source, const Path& target, HWND owner, int* result) {
  Load();
  const auto shFileOperation =
      Export<int(WINAPI*)(LPSHFILEOPSTRUCTW)>(shell32_.Get(), "SHFileOperationW");
  if (!shFileOperation) return Failure("Cannot load shell32.dll");

  // The shell takes plain paths below MAX_PATH only; a longer one goes in
  // its short form, which names the same file.
  const WideText sourceName = ShellForm(FullPath(WideOf(source)));
  const WideText targetName = ShellForm(FullPath(WideOf(target)));
  if (sourceName.Empty() || targetName.Empty()) {
    return Failure(ErrorReason(ERROR_FILENAME_EXCED_RANGE));
  }
  const Buffer<wchar_t> from = NameList(sourceName);
  const Buffer<wchar_t> to = NameList(targetName);
  SHFILEOPSTRUCTW request = {};
  request.hwnd = owner;
  request.wFunc = FO_COPY;
  request.pFrom = from.Data();
  request.pTo = to.Data();
  request.fFlags = FOF_NOCONFIRMATION;
  *result = shFileOperation(&request);
  return Failure();
}

}  // namespace vek::win32
