#include "platform/win32/files/LandingFolder.h"

#include <windows.h>

#include "platform/win32/files/FileSystem.h"
#include "platform/win32/files/PlainEntry.h"
#include "platform/win32/files/Temporaries.h"
#include "platform/win32/files/WidePath.h"

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

// Creates the new folder `path` and holds it.
OwnedHandle CreateHeld(const WideText& path) {
  if (!CreateDirectoryW(path.CStr(), nullptr)) return OwnedHandle();
  OwnedHandle hold = Hold(path);
  if (!hold) {
    // Another instance's sweep took the new folder before it was held: it
    // is gone or going, and the next name is tried.
    RemoveDirectoryW(path.CStr());
    SetLastError(ERROR_ALREADY_EXISTS);
  }
  return hold;
}

// Removes a landing folder that a killed run left, whole, unless somebody
// holds it: only a plain folder whose own name is one that the program
// gives, never what a link leads to.
void RemoveLeftover(const WideText& folder) {
  if (IsTemporaryName(folder)) RemovePlainTree(folder);
}

}  // namespace

OwnedHandle MakeLandingFolder(const WideText& folder, bool sweep, Text* name) {
  // The landing folders there that nobody holds are a killed run's.
  if (sweep) ForEachEntry(folder, TemporaryPattern(), Entries::Folders, RemoveLeftover);
  return MakeUnderTemporaryName(folder, CreateHeld, name);
}

bool RemoveLandingFolder(OwnedHandle hold, const WideText& path) {
  // Removed while still held: a folder let go first could be claimed by
  // another instance's sweep in between, and the two listing and removing
  // it at once can each keep the other from removing it. Mostly the copy
  // has taken its name and the folder is empty: its contents are looked
  // for only when it is not. The folder goes when the hold closes.
  bool removed = RemoveDirectoryW(path.CStr()) != 0;
  if (!removed) {
    RemovePlainContents(path);
    removed = RemoveDirectoryW(path.CStr()) != 0;
  }
  const DWORD error = GetLastError();
  hold.Reset();
  SetLastError(error);
  return removed;
}

LandingFolder LandingFolders::Make(const Path& folder) {
  const bool sweep = folder.Shown() != sweptFolder_ || hasLeftBehind_;
  sweptFolder_ = folder.Shown();
  Text name;
  OwnedHandle hold = MakeLandingFolder(FileSystemPath(folder), sweep, &name);
  if (hasLeftBehind_ && !FolderExists(FileSystemPath(leftBehind_))) hasLeftBehind_ = false;
  if (!hold) return LandingFolder();
  return LandingFolder{hold.Release(), folder + name + "\\"};
}

void LandingFolders::Remove(const LandingFolder& landing) {
  if (!RemoveLandingFolder(OwnedHandle(static_cast<HANDLE>(landing.hold)),
                           FileSystemPath(landing.path))) {
    leftBehind_ = landing.path;
    hasLeftBehind_ = true;
  }
}

}  // namespace vek::win32
