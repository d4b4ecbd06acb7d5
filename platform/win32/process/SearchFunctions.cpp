// The library-search functions of the Windows this runs on. On its own in
// this file so that a test build can put a version without the modern call
// in its place, as the older systems have it.

#include "platform/win32/process/DllSearch.h"
#include "platform/win32/process/Module.h"

namespace vek::win32 {

SearchFunctions FindSearchFunctions() {
  // kernel32 is mapped into every process before its first instruction: no
  // search takes place to find it.
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  using SetDefault = decltype(SearchFunctions::setDefaultDllDirectories);
  using SetDirectory = decltype(SearchFunctions::setDllDirectory);
  return {Export<SetDefault>(kernel32, "SetDefaultDllDirectories"),
          Export<SetDirectory>(kernel32, "SetDllDirectoryW")};
}

}  // namespace vek::win32
