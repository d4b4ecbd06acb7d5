#include "platform/win32/DllSearch.h"

#include <windows.h>

#include <cstring>

namespace vek::win32 {

void RestrictDllSearch() {
  // kernel32 is mapped into every process before its first instruction: no
  // search takes place to find it.
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  if (!kernel32) return;

  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (setDefaultDllDirectories && setDefaultDllDirectories(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */)) {
    return;
  }
  using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
  auto setDllDirectory = reinterpret_cast<SetDllDirectoryFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDllDirectoryA")));
  if (setDllDirectory) setDllDirectory("");
}

bool SystemLibraryPath(const char* name, char* path, unsigned size) {
  const UINT length = GetSystemDirectoryA(path, size);
  const std::size_t nameLength = std::strlen(name);
  if (length == 0 || length + 1 + nameLength + 1 > size) return false;
  path[length] = '\\';
  std::memcpy(path + length + 1, name, nameLength + 1);
  return true;
}

}  // namespace vek::win32
