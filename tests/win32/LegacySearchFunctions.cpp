// The library-search functions as Windows Vista and 7 without the 2011
// loader update have them: SetDllDirectoryW only. Linked into the test
// build of the fallback in place of platform/win32/SearchFunctions.cpp.

#include "platform/win32/DllSearch.h"

namespace vek::win32 {

SearchFunctions FindSearchFunctions() {
  SearchFunctions functions = {};
  functions.setDllDirectory = reinterpret_cast<BOOL(WINAPI*)(LPCWSTR)>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDllDirectoryW")));
  return functions;
}

}  // namespace vek::win32
