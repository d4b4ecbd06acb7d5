#include "platform/win32/WholeFile.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

#include "platform/win32/FileSystem.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/Temporaries.h"
#include "platform/win32/WidePath.h"

namespace vek::win32 {

namespace {

// Renaming and deleting an open file go through ntdll's NtSetInformationFile,
// which every Windows NT has (the kernel32 wrapper came with Vista), with
// the structures of the driver kit, 32-bit layout.
constexpr int kFileRenameInformation = 10;
constexpr int kFileDispositionInformation = 13;

struct IoStatus {
  LONG status;
  ULONG_PTR information;
};

struct RenameInformation {
  BOOLEAN replaceIfExists;
  HANDLE rootDirectory;
  ULONG fileNameLength;  // in bytes, without a NUL
  WCHAR fileName[1];
};

// Sets a class of information on an open file. False on failure, with the
// Windows error code in GetLastError.
bool SetFileInformation(HANDLE file, void* information, ULONG size, int informationClass) {
  using SetInformationFunction = LONG(WINAPI*)(HANDLE, IoStatus*, void*, ULONG, int);
  using ErrorOfStatusFunction = ULONG(WINAPI*)(LONG);
  // ntdll is mapped into every process before its first instruction.
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto setInformation = reinterpret_cast<SetInformationFunction>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetInformationFile")));
  auto errorOfStatus = reinterpret_cast<ErrorOfStatusFunction>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
  if (!setInformation || !errorOfStatus) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  IoStatus io = {};
  const LONG status = setInformation(file, &io, information, size, informationClass);
  if (status >= 0) return true;
  SetLastError(errorOfStatus(status));
  return false;
}

// The native form of a full path, as the renaming wants it: "\??\" before a
// drive path, "\??\UNC\" before a share, "\??\" instead of "\\?\".
WideText NativePath(const WideText& path) {
  switch (PrefixOf(path)) {
    case PathPrefix::LongShare:
    case PathPrefix::Long:
    case PathPrefix::Device: return Join(WideText(L"\\??\\", 4), path.From(4));
    case PathPrefix::Share: return Join(WideText(L"\\??\\UNC\\", 8), path.From(2));
    default: return Join(WideText(L"\\??\\", 4), path);
  }
}

// Gives the open `file` the name `path`, unless a file or folder of that
// name exists. False on failure, with the reason in GetLastError.
bool PutInPlace(HANDLE file, const WideText& path) {
  const WideText native = NativePath(path);
  const std::size_t bytes = native.Length() * sizeof(wchar_t);
  Buffer<unsigned char> request(offsetof(RenameInformation, fileName) + bytes + sizeof(wchar_t));
  auto* rename = reinterpret_cast<RenameInformation*>(request.Data());
  rename->replaceIfExists = FALSE;
  rename->rootDirectory = nullptr;
  rename->fileNameLength = static_cast<ULONG>(bytes);
  std::memcpy(rename->fileName, native.CStr(), bytes + sizeof(wchar_t));
  return SetFileInformation(file, rename, static_cast<ULONG>(request.Size()),
                            kFileRenameInformation);
}

// Marks the open `file` for deletion when its handle closes.
void Discard(HANDLE file) {
  BOOLEAN remove = TRUE;
  SetFileInformation(file, &remove, sizeof remove, kFileDispositionInformation);
}

// Removes the temporary files that interrupted writes left in `folder`. A
// temporary file that another instance is still writing is open without
// sharing, so it cannot be deleted and stays; it keeps being open until it
// has its final name.
void RemoveLeftovers(const WideText& folder) {
  WIN32_FIND_DATAW found;
  OwnedFind search(FindFirstFileW(TemporarySearch(folder).CStr(), &found));
  if (!search) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      DeleteFileW(Join(folder, WideText(found.cFileName, lstrlenW(found.cFileName))).CStr());
    }
  } while (FindNextFileW(search.Get(), &found));
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
  RemoveLeftovers(folder);

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
