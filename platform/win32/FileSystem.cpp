#include "platform/win32/FileSystem.h"

#include <windows.h>

#include "platform/win32/Handles.h"

namespace vek::win32 {

WideText ModulePath(HMODULE module) {
  Buffer<wchar_t> path;
  // GetModuleFileNameW fills the whole buffer when it cuts the path.
  const std::size_t length = FillGrowing(&path, MAX_PATH + 1, [&](wchar_t* buffer, std::size_t size) {
    return static_cast<std::size_t>(GetModuleFileNameW(module, buffer, static_cast<DWORD>(size)));
  });
  return length ? WideText(static_cast<Buffer<wchar_t>&&>(path), length) : WideText();
}

WideText FullPath(const WideText& path) {
  Buffer<wchar_t> full;
  const std::size_t length = FillGrowing(&full, MAX_PATH + 1, [&](wchar_t* buffer, std::size_t size) {
    return static_cast<std::size_t>(
        GetFullPathNameW(path.CStr(), static_cast<DWORD>(size), buffer, nullptr));
  });
  return length ? WideText(static_cast<Buffer<wchar_t>&&>(full), length)
                : WideText(path.CStr(), path.Length());
}

WideText FolderPart(const WideText& path) {
  std::size_t end = path.Length();
  while (end > 0 && path[end - 1] != L'\\' && path[end - 1] != L':') --end;
  return path.Left(end);
}

namespace {

// Wildcards in a name, leaving out the "\\?\" that may lead a long path.
bool HasWildcards(const WideText& path) {
  const wchar_t* name = path.CStr();
  if (name[0] == L'\\' && name[1] == L'\\' && name[2] == L'?' && name[3] == L'\\') name += 4;
  for (; *name; ++name) {
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

}  // namespace vek::win32
