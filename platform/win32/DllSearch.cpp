#include "platform/win32/DllSearch.h"

#include <cstring>

#include "platform/win32/FillGrowing.h"

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
  Buffer<wchar_t> folder;
  const std::size_t length = FillGrowing(&folder, MAX_PATH, [](wchar_t* buffer, std::size_t size) {
    return static_cast<std::size_t>(GetSystemDirectoryW(buffer, static_cast<UINT>(size)));
  });
  if (length == 0) return nullptr;
  const std::size_t nameLength = std::strlen(name);
  Buffer<wchar_t> path(length + 1 + nameLength + 1);
  std::memcpy(path.Data(), folder.Data(), length * sizeof(wchar_t));
  path[length] = L'\\';
  // The names are ASCII.
  for (std::size_t i = 0; i <= nameLength; ++i) path[length + 1 + i] = static_cast<wchar_t>(name[i]);
  // The libraries that it imports are looked for in its own folder first.
  return LoadLibraryExW(path.Data(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace vek::win32
