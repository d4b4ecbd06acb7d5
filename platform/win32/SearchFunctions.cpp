// The library-search functions of the Windows this runs on. On its own in
// this file so that a test build can put a version without the modern call
// in its place, as the older systems have it.

#include "platform/win32/DllSearch.h"

namespace vek::win32 {

SearchFunctions FindSearchFunctions() {
  // kernel32 is mapped into every process before its first instruction: no
  // search takes place to find it.
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  SearchFunctions functions = {};
  if (!kernel32) return functions;
  functions.setDefaultDllDirectories = reinterpret_cast<BOOL(WINAPI*)(DWORD)>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  functions.setDllDirectory = reinterpret_cast<BOOL(WINAPI*)(LPCWSTR)>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDllDirectoryW")));
  return functions;
}

}  // namespace vek::win32
