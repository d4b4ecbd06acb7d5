// The library-search functions as Windows Vista and 7 without the 2011
// loader update have them: SetDllDirectoryW only. Linked into the test
// build of the fallback in place of platform/win32/process/SearchFunctions.cpp.

#include "platform/win32/process/DllSearch.h"
#include "platform/win32/process/Module.h"

namespace vek::win32 {

SearchFunctions FindSearchFunctions() {
  return {nullptr, Export<decltype(SearchFunctions::setDllDirectory)>(
                       GetModuleHandleA("kernel32.dll"), "SetDllDirectoryW")};
}

}  // namespace vek::win32
