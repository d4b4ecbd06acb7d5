#include "platform/win32/files/FileSystem.h"

#include <windows.h>

#include "platform/win32/Handles.h"
#include "platform/win32/files/WidePath.h"

namespace vek::win32 {

namespace {

// Wildcards in a name, leaving out the prefix ("\\?\" and the like) that
// may lead it.
bool HasWildcards(const WideText& path) {
  for (const wchar_t* name = path.CStr() + PrefixLength(PrefixOf(path)); *name; ++name) {
    if (*name == L'*' || *name == L'?') return true;
  }
  return false;
}

}  // namespace

bool FileExists(const WideText& path) {
  // The exact name only, never a pattern. Its attributes rather than a
  // search, which opens the folder and reads it: a cost that grows with
  // the folder, and a system folder holds thousands of names.
  if (path.Empty() || HasWildcards(path)) return false;
  const DWORD attributes = GetFileAttributesW(path.CStr());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const WideText& path) {
  if (path.Empty()) return false;
  const DWORD attributes = GetFileAttributesW(path.CStr());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ForEachEntry(const WideText& folder, const WideText& pattern, Entries kind,
                  void (*visit)(const WideText& path)) {
  const DWORD wanted = kind == Entries::Folders ? FILE_ATTRIBUTE_DIRECTORY : 0;
  WIN32_FIND_DATAW found;
  OwnedFind search(FindFirstFileW(Join(folder, pattern).CStr(), &found));
  if (!search) return;
  do {
    const wchar_t* name = found.cFileName;
    const bool dots = name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2]));
    if (dots || (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
                    wanted) {
      continue;
    }
    visit(Join(folder, WideText(name, lstrlenW(name))));
  } while (FindNextFileW(search.Get(), &found));
}

}  // namespace vek::win32
