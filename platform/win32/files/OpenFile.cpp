#include "platform/win32/files/OpenFile.h"

#include <cstddef>
#include <cstring>

#include "platform/Owned.h"

namespace vek::win32 {

namespace {

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
  // The request ends in the name, given both NUL-terminated and by its
  // length in bytes without the NUL: Windows reads it either way. A full
  // path in any of its forms ("\\?\" and shares too) is taken as it is.
  const std::size_t bytes = path.Length() * sizeof(wchar_t);
  Buffer<unsigned char> request(offsetof(FILE_RENAME_INFO, FileName) + bytes + sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(request.Data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(rename->FileName, path.CStr(), bytes + sizeof(wchar_t));
  return SetFileInformationByHandle(file, FileRenameInfo, rename,
                                    static_cast<DWORD>(request.Size())) != 0;
}

bool Discard(HANDLE file) {
  FILE_DISPOSITION_INFO remove = {TRUE};
  return SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof remove) != 0;
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
