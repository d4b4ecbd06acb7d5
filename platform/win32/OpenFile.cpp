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

// Opens the file at `path` for reading and for renaming or deleting it,
// sharing reading only: while the handle is open no one can write, rename or
// delete the file. Empty when it cannot be opened so.
OwnedHandle OpenExclusive(const WideText& path) {
  return OwnedHandle(CreateFileW(path.CStr(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// True when the open `file`, read from its start, holds exactly the `size`
// bytes at `data`; false also when it cannot be read.
bool HoldsBytes(HANDLE file, const unsigned char* data, std::size_t size) {
  LARGE_INTEGER length;
  if (!GetFileSizeEx(file, &length) || static_cast<unsigned long long>(length.QuadPart) != size) {
    return false;
  }
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

void Discard(HANDLE file) {
  BOOLEAN remove = TRUE;
  SetFileInformation(file, &remove, sizeof remove, kFileDispositionInformation);
}


Placing PlaceIfSame(const WideText& copy, const WideText& name, const ResourceBytes& carried) {
  OwnedHandle file = OpenExclusive(copy);
  if (!file) return Placing::Refused;
  // Held without write sharing from here on: what was compared is what
  // takes the name.
  if (HoldsBytes(file.Get(), carried.data, carried.size)) {
    return PutInPlace(file.Get(), name) ? Placing::Placed : Placing::Refused;
  }
  file.Reset();
  RemoveFile(copy);
  return Placing::Differs;
}

bool KeepIfSame(const WideText& path, const ResourceBytes& carried) {
  OwnedHandle file = OpenExclusive(path);
  if (file && HoldsBytes(file.Get(), carried.data, carried.size)) return true;
  file.Reset();
  RemoveFile(path);
  return false;
}

}  // namespace vek::win32
