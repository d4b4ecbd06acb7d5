#include "platform/win32/FileSystem.h"

#include <windows.h>

#include <utility>

#include "platform/win32/FillGrowing.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WidePath.h"

namespace vek::win32 {

WideText ModulePath(HMODULE module) {
  Buffer<wchar_t> path;
  // GetModuleFileNameW fills the whole buffer when it cuts the path.
  const std::size_t length = FillGrowing(&path, MAX_PATH + 1, [&](wchar_t* buffer, std::size_t size) {
    return static_cast<std::size_t>(GetModuleFileNameW(module, buffer, static_cast<DWORD>(size)));
  });
  return length ? WideText(std::move(path), length) : WideText();
}

WideText FullPath(const WideText& path) {
  Buffer<wchar_t> full;
  const std::size_t length = FillGrowing(&full, MAX_PATH + 1, [&](wchar_t* buffer, std::size_t size) {
    return static_cast<std::size_t>(
        GetFullPathNameW(path.CStr(), static_cast<DWORD>(size), buffer, nullptr));
  });
  return length ? WideText(std::move(full), length)
                : WideText(path.CStr(), path.Length());
}

WideText FolderPart(const WideText& path) { return path.Left(FolderLength(path)); }

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
