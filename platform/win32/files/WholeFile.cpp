#include "platform/win32/files/WholeFile.h"

#include <windows.h>

#include <cstddef>

#include "platform/win32/Handles.h"
#include "platform/win32/files/FileSystem.h"
#include "platform/win32/files/OpenFile.h"
#include "platform/win32/files/PlainEntry.h"
#include "platform/win32/files/Temporaries.h"
#include "platform/win32/process/SystemError.h"

namespace vek::win32 {

namespace {

// Deletes a temporary file that an interrupted write left: a plain file
// whose own name is one that the program gives, never what a link leads to.
// One that another instance is still writing is open without sharing, so
// it cannot be opened to be deleted and stays; it keeps being open until it
// has its final name.
void DeleteLeftover(const WideText& file) {
  if (IsTemporaryName(file)) RemovePlain(file, Entries::Files);
}

// Creates the new temporary file `path`, open for reading, writing and
// renaming, not shared.
OwnedHandle CreateTemporary(const WideText& path) {
  return OwnedHandle(CreateFileW(path.CStr(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteAll(HANDLE file, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(size < kWriteChunk ? size : kWriteChunk);
    DWORD done = 0;
    if (!WriteFile(file, data, chunk, &done, nullptr) || done != chunk) return false;
    data += chunk;
    size -= chunk;
  }
  return true;
}

}  // namespace

WriteResult WriteWholeFile(const WideText& path, const Text& shown, const unsigned char* data,
                           std::size_t size) {
  WriteResult result = {WriteResult::Outcome::Written, shown, Text()};
  const WideText folder = FolderPart(path);
  ForEachEntry(folder, TemporaryPattern(), Entries::Files, DeleteLeftover);

  OwnedHandle file = MakeUnderTemporaryName(folder, CreateTemporary);
  if (!file) {
    const DWORD error = GetLastError();
    result.outcome = WriteResult::Outcome::CannotCreate;
    result.reason = ErrorDescription(error);
    SetLastError(error);
    return result;
  }
  if (!WriteAll(file.Get(), data, size)) {
    const DWORD error = GetLastError();
    Discard(file.Get());
    file.Reset();
    result.outcome = WriteResult::Outcome::WriteFailed;
    SetLastError(error);
    return result;
  }
  // Renamed while open: from its creation until it carries the payload's
  // name, no other instance can delete it.
  if (PutInPlace(file.Get(), path)) return result;

  DWORD error = GetLastError();
  Discard(file.Get());
  file.Reset();
  if (FileExists(path)) {
    // Another instance put it in place meanwhile: theirs is kept.
    result.outcome = WriteResult::Outcome::KeptExisting;
  } else {
    result.outcome = WriteResult::Outcome::CannotCreate;
    // A folder of that name: say what creating the file there says.
    if (FolderExists(path)) error = ERROR_ACCESS_DENIED;
    result.reason = ErrorDescription(error);
  }
  SetLastError(error);
  return result;
}

}  // namespace vek::win32
