#include "platform/win32/LandingFolder.h"

#include <windows.h>

#include "platform/win32/Temporaries.h"

namespace vek::win32 {

namespace {

// The hold: the folder open for reading, shared for reading and deletion
// only. Nobody else can then open it for writing, which is how a sweep
// tells a live one; the shell still creates files in it, which opens the
// files, not it; and its owner can remove it while still holding it, so
// that no sweep ever gets between the two.
OwnedHandle Hold(const WideText& folder) {
  return OwnedHandle(CreateFileW(folder.CStr(), FILE_LIST_DIRECTORY,
                                 FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Deletes the files directly in `folder` (with its trailing backslash), read-only ones too.
void DeleteFiles(const WideText& folder) {
  WIN32_FIND_DATAW found;
  OwnedFind search(FindFirstFileW(Join(folder, WideText(L"*", 1)).CStr(), &found));
  if (!search) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const WideText file = Join(folder, WideText(found.cFileName, lstrlenW(found.cFileName)));
    SetFileAttributesW(file.CStr(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(file.CStr());
  } while (FindNextFileW(search.Get(), &found));
}

// Removes the landing folders in `folder` that nobody holds: the open for
// writing fails on a held one, which is left as it is. (A claim by deletion
// access would keep the folder's own listing from opening under Wine.)
void RemoveLeftovers(const WideText& folder) {
  WIN32_FIND_DATAW found;
  OwnedFind search(FindFirstFileW(TemporarySearch(folder).CStr(), &found));
  if (!search) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const WideText leftover = Join(folder, WideText(found.cFileName, lstrlenW(found.cFileName)));
    OwnedHandle claim(CreateFileW(leftover.CStr(), FILE_ADD_FILE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!claim) continue;
    DeleteFiles(Join(leftover, WideText(L"\\", 1)));
    claim.Reset();
    RemoveDirectoryW(leftover.CStr());
  } while (FindNextFileW(search.Get(), &found));
}

}  // namespace

OwnedHandle MakeLandingFolder(const WideText& folder, bool sweep, Text* name) {
  if (sweep) RemoveLeftovers(folder);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const Text own = TemporaryName();
    const WideText path = Join(folder, Widen(own));
    if (!CreateDirectoryW(path.CStr(), nullptr)) {
      if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return OwnedHandle();
    }
    OwnedHandle hold = Hold(path);
    if (hold) {
      *name = own;
      return hold;
    }
    // Another instance's sweep took the new folder before it was held: it
    // is gone or going, and the next name is tried.
    RemoveDirectoryW(path.CStr());
  }
  SetLastError(ERROR_ALREADY_EXISTS);
  return OwnedHandle();
}

void RemoveLandingFolder(OwnedHandle hold, const WideText& path) {
  // Removed while still held: a folder let go first could be claimed by
  // another instance's sweep in between, and the two listing and removing
  // it at once can each keep the other from removing it. Mostly the copy
  // has taken its name and the folder is empty: its files are looked for
  // only when it is not. The folder goes when the hold closes.
  if (!RemoveDirectoryW(path.CStr())) {
    DeleteFiles(path);
    RemoveDirectoryW(path.CStr());
  }
  hold.Reset();
}

}  // namespace vek::win32
