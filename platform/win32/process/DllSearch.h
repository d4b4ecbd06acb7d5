#pragma once
// Hardening of the process's library search, so that a DLL dropped beside
// the executable (a Downloads folder) or into Dlls\ is never loaded in place
// of a system one.

#include <windows.h>

namespace vek::win32 {

// kernel32's functions that restrict the library search, found at run time;
// each is null where this Windows lacks it.
struct SearchFunctions {
  BOOL(WINAPI* setDefaultDllDirectories)(DWORD flags);  // Windows 8; 7 and Vista with KB2533623
  BOOL(WINAPI* setDllDirectory)(LPCWSTR folder);        // Windows XP SP1 on
};

// This Windows' functions (SearchFunctions.cpp). The test build of the
// fallback links a version of its own without SetDefaultDllDirectories.
SearchFunctions FindSearchFunctions();

// Restricts the library search of this process; call before anything loads
// a library. What holds afterwards:
// - With SetDefaultDllDirectories (Windows 8 on; 7 and Vista with the 2011
//   loader update, KB2533623): every library loaded by name, by us or by
//   the system on our behalf, comes from the system folder (after the
//   KnownDLLs); the executable's folder and the current folder are never
//   searched.
// - Without it: SetDllDirectory("") takes the current folder out of the
//   search, but the executable's folder stays first for every library
//   loaded by name. So the libraries that the system loads by name on our
//   behalf (the shell's, the image decoder's and the themes' dependencies
//   that are not KnownDLLs) are loaded here first, by full path from the
//   system folder: a later load by name finds them loaded. A library that
//   is not on that list and that Windows loads by name later could still
//   come from the executable's folder.
// - Either way, the libraries that the executable imports are loaded before
//   its first instruction; all of them are KnownDLLs, never searched for.
// Uses FindSearchFunctions().
void RestrictDllSearch();
void RestrictDllSearch(const SearchFunctions& functions);

// Loads a library by its full path in the Windows system folder, so never
// a namesake found elsewhere; the libraries it imports are looked for in
// the system folder first. Null when it cannot be loaded; the caller
// releases a library it got with FreeLibrary.
HMODULE LoadFromSystemFolder(const char* name);

}  // namespace vek::win32
