#include "platform/win32/Services.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <new>

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

LibraryHandle Services::LoadSystemLibrary(const char* name) { return LoadLibraryA(name); }

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

Failure Services::ShellCopy(const Text& source, const Text& target, int* result) {
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
  *result = SHFileOperationA(&request);
  delete[] from;
  delete[] to;
  return Failure();
}

void Services::Pause(unsigned milliseconds) { Sleep(milliseconds); }

void Services::ShowMessageBox(const Text& text, const Text& caption, unsigned flags) {
  application_.ShowMessageBox(text, caption, flags);
}

}  // namespace vek::win32
