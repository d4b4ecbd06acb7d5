#include "platform/win32/WholeFile.h"

#include <windows.h>

#include <cstddef>

#include "platform/win32/FileSystem.h"
#include "platform/win32/Handles.h"
#include "platform/win32/OpenFile.h"
#include "platform/win32/PlainEntry.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/Temporaries.h"
#include "platform/win32/WidePath.h"

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

// Creates a new temporary file in `folder`, open for reading, writing and
// renaming, not shared. On failure the handle is empty and GetLastError
// tells why, as creating any file in that folder would.
OwnedHandle CreateTemporary(const WideText& folder) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const WideText name = Join(folder, Widen(TemporaryName()));
    OwnedHandle file(CreateFileW(name.CStr(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return OwnedHandle();
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

  OwnedHandle file = CreateTemporary(folder);
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
