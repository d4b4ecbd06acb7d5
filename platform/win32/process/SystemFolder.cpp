#include "platform/win32/process/SystemFolder.h"

#include <windows.h>

#include <utility>

#include "platform/win32/FillGrowing.h"

namespace vek::win32 {

WideText SystemFolder(bool wow64) {
  Buffer<wchar_t> folder;
  const std::size_t length =
      FillGrowing(&folder, MAX_PATH + 1, [wow64](wchar_t* buffer, std::size_t size) {
        const UINT capacity = static_cast<UINT>(size);
        return static_cast<std::size_t>(wow64 ? GetSystemWow64DirectoryW(buffer, capacity)
                                              : GetSystemDirectoryW(buffer, capacity));
      });
  if (length == 0) return WideText();
  WideText reported(std::move(folder), length);
  if (reported[length - 1] == L'\\') return reported;
  return Join(reported, WideText(L"\\", 1));
}

}  // namespace vek::win32
