#include "platform/win32/LandingFolder.h"

#include <windows.h>

#include "platform/win32/FileSystem.h"
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
  ForEachEntry(folder, WideText(L"*", 1), Entries::Files, RemoveFile);
}

// Removes a landing folder, with its files, unless somebody holds it: the
// open for writing fails on a held one, which is left as it is. (A claim by
// deletion access would keep the folder's own listing from opening under
// Wine.)
void RemoveUnheld(const WideText& leftover) {
  OwnedHandle claim(CreateFileW(leftover.CStr(), FILE_ADD_FILE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!claim) return;
  DeleteFiles(Join(leftover, WideText(L"\\", 1)));
  claim.Reset();
  RemoveDirectoryW(leftover.CStr());
}

}  // namespace

OwnedHandle MakeLandingFolder(const WideText& folder, bool sweep, Text* name) {
  // The landing folders there that nobody holds are a killed run's.
  if (sweep) ForEachEntry(folder, TemporaryPattern(), Entries::Folders, RemoveUnheld);
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
