#include "platform/win32/Services.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <new>

#include "platform/win32/DllSearch.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Resources.h"

namespace vek::win32 {

Text ModulePath() {
  // Paths may exceed MAX_PATH; GetModuleFileNameA fills the whole buffer
  // when it cuts the path, so grow until it leaves room.
  for (DWORD size = MAX_PATH + 1; size <= 65536; size *= 2) {
    char* buffer = new char[size];
    DWORD length = GetModuleFileNameA(nullptr, buffer, size);
    if (length < size) {
      Text path(buffer, length);
      delete[] buffer;
      return path;
    }
    delete[] buffer;
  }
  return Text();
}

bool Services::ComputerName(char* buffer, unsigned long* capacity) {
  DWORD size = *capacity;
  bool read = GetComputerNameA(buffer, &size) != 0;
  *capacity = size;
  return read;
}

LibraryHandle Services::LoadSystemLibrary(const char* name) {
  // By its full path in the system folder: never a namesake found elsewhere.
  char path[MAX_PATH];
  return SystemLibraryPath(name, path, sizeof path) ? LoadLibraryA(path) : nullptr;
}

void* Services::FindExport(LibraryHandle library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

bool Services::CallIsWow64Process(void* isWow64Process, bool* wow64) {
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  BOOL flag = FALSE;
  bool called =
      reinterpret_cast<IsWow64ProcessFunction>(isWow64Process)(GetCurrentProcess(), &flag) != 0;
  if (called) *wow64 = flag != FALSE;
  return called;
}

void Services::ReleaseLibrary(LibraryHandle library) { FreeLibrary(static_cast<HMODULE>(library)); }

Text Services::ExecutablePath() { return ModulePath(); }

bool Services::FolderExists(const Text& path) {
  DWORD attributes = GetFileAttributesA(path.CStr());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Services::CreateFolder(const Text& path) { return CreateDirectoryA(path.CStr(), nullptr) != 0; }

bool Services::FileExists(const Text& path) {
  // A search for the exact name: wildcards would match other files.
  if (std::strpbrk(path.CStr(), "*?")) return false;
  WIN32_FIND_DATAA found;
  OwnedFind search(FindFirstFileA(path.CStr(), &found));
  return search && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Services::FindOwnResource(const char* name, const char* type, ResourceBytes* bytes) {
  // Resource handles are not real memory handles: nothing here is ever freed.
  HRSRC resource = FindResourceA(nullptr, name, type);
  if (!resource) return false;
  HGLOBAL loaded = LoadResource(nullptr, resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  bytes->data = static_cast<const unsigned char*>(data);
  bytes->size = SizeofResource(nullptr, resource);
  return true;
}

namespace {

// Temporary files of whole-file writes: "vek<process>-<n>.tmp" in the
// target folder.
constexpr char kTemporaryPattern[] = "vek*.tmp";
constexpr DWORD kWriteChunk = 1 << 20;

// The system's description of an error code, as FormatMessage gives it.
Text ErrorDescription(DWORD code) {
  char buffer[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, 0, buffer, sizeof buffer, nullptr);
  return Text(buffer, length);
}

Text FullPath(const Text& path) {
  for (DWORD size = MAX_PATH + 1; size <= 65536; size *= 2) {
    char* buffer = new char[size];
    DWORD length = GetFullPathNameA(path.CStr(), size, buffer, nullptr);
    if (length == 0) {
      delete[] buffer;
      return path;
    }
    if (length < size) {
      Text full(buffer, length);
      delete[] buffer;
      return full;
    }
    delete[] buffer;
  }
  return path;
}

// Removes the temporary files that interrupted writes left in `folder`. A
// temporary file that another instance is still writing is open without
// sharing, so it cannot be deleted and stays.
void RemoveLeftovers(const Text& folder) {
  WIN32_FIND_DATAA found;
  OwnedFind search(FindFirstFileA((folder + kTemporaryPattern).CStr(), &found));
  if (!search) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      DeleteFileA((folder + found.cFileName).CStr());
    }
  } while (FindNextFileA(search.Get(), &found));
}

// Creates a new temporary file in `folder` for reading and writing, not
// shared, and names it in *name. On failure the handle is empty and
// GetLastError tells why, as creating any file in that folder would.
OwnedHandle CreateTemporary(const Text& folder, Text* name) {
  static unsigned long counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name = folder + "vek" + DecimalText(static_cast<long>(GetCurrentProcessId())) + "-" +
            DecimalText(static_cast<long>(++counter)) + ".tmp";
    OwnedHandle file(CreateFileA(name->CStr(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return OwnedHandle();
}

bool WriteAll(HANDLE file, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = size < kWriteChunk ? static_cast<DWORD>(size) : kWriteChunk;
    DWORD done = 0;
    if (!WriteFile(file, data, chunk, &done, nullptr) || done != chunk) return false;
    data += chunk;
    size -= chunk;
  }
  return true;
}

// A shell name list holding one name: the name, its NUL, and the empty name
// (a second NUL) that closes the list. Null when there is no memory.
char* NameList(const Text& name) {
  char* list = new (std::nothrow) char[name.Length() + 2];
  if (!list) return nullptr;
  std::memcpy(list, name.CStr(), name.Length());
  list[name.Length()] = '\0';
  list[name.Length() + 1] = '\0';
  return list;
}

}  // namespace

WriteResult Services::WriteWholeFile(const Text& path, const unsigned char* data,
                                     std::size_t size) {
  WriteResult result = {WriteResult::Outcome::Written, FullPath(path), Text()};
  const Text folder = FolderPart(result.fullPath);
  RemoveLeftovers(folder);

  Text temporary;
  {
    OwnedHandle file = CreateTemporary(folder, &temporary);
    if (!file) {
      result.outcome = WriteResult::Outcome::CannotCreate;
      result.reason = ErrorDescription(GetLastError());
      return result;
    }
    if (!WriteAll(file.Get(), data, size)) result.outcome = WriteResult::Outcome::WriteFailed;
  }  // closed here, before it is moved or deleted
  if (result.outcome != WriteResult::Outcome::Written) {
    DeleteFileA(temporary.CStr());
    return result;
  }

  // Without MOVEFILE_REPLACE_EXISTING: a file that another instance put in
  // place meanwhile is kept.
  if (MoveFileExA(temporary.CStr(), result.fullPath.CStr(), 0)) return result;
  const DWORD error = GetLastError();
  DeleteFileA(temporary.CStr());
  if (FileExists(result.fullPath)) {
    result.outcome = WriteResult::Outcome::KeptExisting;
  } else {
    result.outcome = WriteResult::Outcome::CannotCreate;
    // A folder of that name: say what creating the file there says.
    result.reason = ErrorDescription(FolderExists(result.fullPath) ? ERROR_ACCESS_DENIED : error);
  }
  return result;
}

Failure Services::ShellCopy(const Text& source, const Text& target, int* result) {
  if (!shell32_) {
    char path[MAX_PATH];
    if (SystemLibraryPath("shell32.dll", path, sizeof path)) shell32_.Reset(LoadLibraryA(path));
  }
  using ShFileOperationFunction = int(WINAPI*)(LPSHFILEOPSTRUCTA);
  auto shFileOperation = shell32_ ? reinterpret_cast<ShFileOperationFunction>(reinterpret_cast<void*>(
                                        GetProcAddress(shell32_.Get(), "SHFileOperationA")))
                                  : nullptr;
  if (!shFileOperation) return Failure("Cannot load shell32.dll");

  char* from = NameList(source);
  char* to = NameList(target);
  if (!from || !to) {
    delete[] from;
    delete[] to;
    return Failure("Out of memory");
  }
  SHFILEOPSTRUCTA request = {};
  request.hwnd = application_.Window();
  request.wFunc = FO_COPY;
  request.pFrom = from;
  request.pTo = to;
  request.fFlags = FOF_NOCONFIRMATION;
  *result = shFileOperation(&request);
  delete[] from;
  delete[] to;
  return Failure();
}

void Services::Pause(unsigned milliseconds) { Sleep(milliseconds); }

void Services::ShowMessageBox(const Text& text, const Text& caption, unsigned flags) {
  application_.ShowMessageBox(text, caption, flags);
}

}  // namespace vek::win32
