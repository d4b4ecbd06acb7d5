#pragma once
// Hardening of the process's library search.

namespace vek::win32 {

// Restricts where this process looks for libraries to the Windows system
// folder, so that a DLL dropped beside the executable (a Downloads folder)
// or into Dlls\ is never loaded in place of a system one. Uses
// SetDefaultDllDirectories where Windows has it, else SetDllDirectoryA("")
// to take the current folder out of the search; both looked up at run time.
// Call before anything loads a library.
void RestrictDllSearch();

// The full path of a library in the Windows system folder, for loading it
// by path. Writes into `path` (capacity `size`); false if it does not fit.
bool SystemLibraryPath(const char* name, char* path, unsigned size);

}  // namespace vek::win32
