#include "platform/win32/process/DllSearch.h"

#include "platform/win32/process/SystemFolder.h"

namespace vek::win32 {

namespace {

constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// The libraries that Windows loads by name on this program's behalf and
// that are not KnownDLLs on Vista and 7: those of themes and window painting,
// of the shell and its copy engine, and of the image decoder (which COM
// loads from its full path). A library that loads another by name while it
// starts comes after that one, so that the other is loaded by then; one
// that this Windows lacks is skipped.
constexpr const char* kLoadedOnOurBehalf[] = {
    "dwmapi.dll",  "uxtheme.dll", "version.dll", "cryptbase.dll", "cryptsp.dll",  "profapi.dll",
    "userenv.dll", "apphelp.dll", "ntmarta.dll", "propsys.dll",   "oleacc.dll",   "netutils.dll",
    "srvcli.dll",  "cscapi.dll",  "linkinfo.dll", "ntshrui.dll",  "comctl32.dll", "windowscodecs.dll",
};

}  // namespace

void RestrictDllSearch() { RestrictDllSearch(FindSearchFunctions()); }

void RestrictDllSearch(const SearchFunctions& functions) {
  if (functions.setDefaultDllDirectories && functions.setDefaultDllDirectories(kSearchSystem32)) {
    return;
  }
  if (functions.setDllDirectory) functions.setDllDirectory(L"");
  // Loaded for the life of the process: a library that Windows loads by
  // name later must find these already loaded.
  for (const char* name : kLoadedOnOurBehalf) LoadFromSystemFolder(name);
}

HMODULE LoadFromSystemFolder(const char* name) {
  const WideText folder = SystemFolder(false);
  if (folder.Empty()) return nullptr;
  // The libraries that it imports are looked for in its own folder first.
  return LoadLibraryExW(Join(folder, Widen(name)).CStr(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace vek::win32
