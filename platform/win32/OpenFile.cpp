#include "platform/win32/OpenFile.h"

#include <cstddef>
#include <cstring>

#include "platform/Owned.h"
#include "platform/win32/FileSystem.h"
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
// drive path, "\??\UNC\" before a share, "\??\" instead of "\\?\" or "\\.\".
WideText NativePath(const WideText& path) {
  const PathPrefix prefix = PrefixOf(path);
  const bool share = prefix == PathPrefix::LongShare || prefix == PathPrefix::Share;
  // A drive path has no prefix to leave out.
  return Join(share ? WideText(L"\\??\\UNC\\", 8) : WideText(L"\\??\\", 4),
              path.From(PrefixLength(prefix)));
}

// The file is compared in reads of this many bytes.
constexpr std::size_t kCompareChunk = 64 * 1024;

// The pauses between the tries of a placing, in milliseconds: from the
// first, doubled each time up to the last, 3.15 s in all.
constexpr DWORD kFirstPause = 50;
constexpr DWORD kLastPause = 1600;

// Opens the file at `path` (OpenToPlace) and judges it: removed when it
// does not hold the `carried` bytes; otherwise flushed to the disk and, when
// `name` is given, renamed to it, never replacing anything. A missing file
// differs as a wrong one does. While the opening, flush or rename
// fails for a sharing violation or a denied access (a virus scanner holding
// a new file for a moment), all of it is made again after a pause. The
// reason of a refusal is in GetLastError.
Placing Judge(const WideText& path, const ResourceBytes& carried, const WideText* name) {
  for (DWORD pause = kFirstPause;; pause *= 2) {
    Placing placing = Placing::Refused;
    DWORD error;
    {
      OwnedHandle file = OpenToPlace(path);
      // Held without write sharing from here on: what was compared is what
      // is kept or takes the name. Data before name: after a power cut the
      // name never holds a file whose data had not reached the disk.
      if (!file) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) placing = Placing::Differs;
      } else if (!HoldsBytes(file.Get(), carried)) {
        Discard(file.Get());
        placing = Placing::Differs;
      } else if (FlushFileBuffers(file.Get()) && (!name || PutInPlace(file.Get(), *name))) {
        placing = Placing::Placed;
      }
      error = GetLastError();
    }
    const bool passing = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
    if (placing != Placing::Refused || !passing || pause > kLastPause) {
      SetLastError(error);
      return placing;
    }
    Sleep(pause);
  }
}

}  // namespace

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

bool Discard(HANDLE file) {
  BOOLEAN remove = TRUE;
  return SetFileInformation(file, &remove, sizeof remove, kFileDispositionInformation);
}

OwnedHandle OpenToPlace(const WideText& path) {
  // A read-only file cannot be opened for writing, which the flush needs.
  SetFileAttributesW(path.CStr(), FILE_ATTRIBUTE_NORMAL);
  return OwnedHandle(CreateFileW(path.CStr(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                 FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
}

bool HoldsBytes(HANDLE file, const ResourceBytes& carried) {
  LARGE_INTEGER length;
  if (!GetFileSizeEx(file, &length) ||
      static_cast<unsigned long long>(length.QuadPart) != carried.size) {
    return false;
  }
  const unsigned char* data = carried.data;
  std::size_t size = carried.size;
  Buffer<unsigned char> chunk(kCompareChunk);
  while (size > 0) {
    const DWORD wanted = static_cast<DWORD>(size < kCompareChunk ? size : kCompareChunk);
    DWORD read = 0;
    if (!ReadFile(file, chunk.Data(), wanted, &read, nullptr) || read != wanted ||
        std::memcmp(chunk.Data(), data, wanted) != 0) {
      return false;
    }
    data += wanted;
    size -= wanted;
  }
  return true;
}

Placing PlaceIfSame(const WideText& copy, const WideText& name, const ResourceBytes& carried) {
  return Judge(copy, carried, &name);
}

bool KeepIfSame(const WideText& path, const ResourceBytes& carried) {
  return Judge(path, carried, nullptr) == Placing::Placed;
}

}  // namespace vek::win32
