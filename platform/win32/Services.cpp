#include "platform/win32/Services.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "platform/Owned.h"
#include "platform/win32/DllSearch.h"
#include "platform/win32/FileSystem.h"
#include "platform/win32/Handles.h"
#include "platform/win32/LandingFolder.h"
#include "platform/win32/OpenFile.h"
#include "platform/win32/PlainEntry.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/Virtualization.h"
#include "platform/win32/WholeFile.h"
#include "platform/win32/WidePath.h"

namespace vek::win32 {

bool Services::ComputerName(char* buffer, unsigned long* capacity) {
  DWORD size = *capacity;
  bool read = GetComputerNameA(buffer, &size) != 0;
  *capacity = size;
  return read;
}

LibraryHandle Services::LoadSystemLibrary(const char* name) { return LoadFromSystemFolder(name); }

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

void Services::StopVirtualization() { win32::StopVirtualization(); }

Path Services::ExecutableFolder() { return FoundFolder(FolderPart(ModulePath())); }

bool Services::FolderExists(const Path& path) { return win32::FolderExists(FileSystemPath(path)); }

bool Services::CreateFolder(const Path& path) {
  return CreateDirectoryW(FileSystemPath(path).CStr(), nullptr) != 0;
}

bool Services::FileExists(const Path& path) { return win32::FileExists(FileSystemPath(path)); }

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

WriteResult Services::WriteWholeFile(const Path& path, const unsigned char* data,
                                     std::size_t size) {
  const WideText full = FullPath(WideOf(path));
  return win32::WriteWholeFile(LongForm(full), Narrow(full), data, size);
}

FileHold Services::HoldPlainFile(const Path& path) {
  OwnedHandle file = OpenPlain(FileSystemPath(path), Entries::Files, GENERIC_READ, FILE_SHARE_READ);
  return file ? file.Release() : nullptr;
}

void Services::ReleaseFile(FileHold hold) { CloseHandle(static_cast<HANDLE>(hold)); }

LandingFolder Services::MakeLandingFolder(const Path& folder) {
  // Leftovers come from runs killed before this one: one sweep of a folder
  // in the life of the process is enough, but for this one's own landing
  // folders that another program kept from going.
  const bool sweep = folder.Shown() != sweptFolder_ || hasLeftBehind_;
  sweptFolder_ = folder.Shown();
  Text name;
  OwnedHandle hold = win32::MakeLandingFolder(FileSystemPath(folder), sweep, &name);
  if (hasLeftBehind_ && !win32::FolderExists(FileSystemPath(leftBehind_))) hasLeftBehind_ = false;
  if (!hold) return LandingFolder();
  return LandingFolder{hold.Release(), folder + name + "\\"};
}

void Services::RemoveLandingFolder(const LandingFolder& landing) {
  if (!win32::RemoveLandingFolder(OwnedHandle(static_cast<HANDLE>(landing.hold)),
                                  FileSystemPath(landing.path))) {
    leftBehind_ = landing.path;
    hasLeftBehind_ = true;
  }
}

Placing Services::PlaceIfSame(const Path& copy, const Path& to, const ResourceBytes& carried) {
  return win32::PlaceIfSame(FileSystemPath(copy), FileSystemPath(to), carried);
}

bool Services::KeepIfSame(const Path& path, const ResourceBytes& carried) {
  return win32::KeepIfSame(FileSystemPath(path), carried);
}

namespace {

// True when both name the same file, as the file system compares names:
// equal once both are in capitals.
bool SameName(const WideText& a, const WideText& b) {
  if (a.Length() != b.Length()) return false;
  const std::size_t bytes = a.Length() * sizeof(wchar_t);
  Buffer<wchar_t> upperA(a.Length());
  Buffer<wchar_t> upperB(b.Length());
  std::memcpy(upperA.Data(), a.CStr(), bytes);
  std::memcpy(upperB.Data(), b.CStr(), bytes);
  CharUpperBuffW(upperA.Data(), static_cast<DWORD>(a.Length()));
  CharUpperBuffW(upperB.Data(), static_cast<DWORD>(b.Length()));
  return std::memcmp(upperA.Data(), upperB.Data(), bytes) == 0;
}

}  // namespace

Path Services::SystemFolder(bool wow64, const Path& usual) {
  // Room for the folder, a backslash after it and the NUL.
  wchar_t units[MAX_PATH + 2];
  UINT length = wow64 ? GetSystemWow64DirectoryW(units, MAX_PATH + 1)
                      : GetSystemDirectoryW(units, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return usual;
  if (units[length - 1] != L'\\') units[length++] = L'\\';
  const WideText reported(units, length);
  return SameName(reported, WideOf(usual)) ? usual : FoundFolder(reported);
}

namespace {

// A shell name list holding one name: the name, its NUL, and the empty name
// (a second NUL) that closes the list.
Buffer<wchar_t> NameList(const WideText& name) {
  Buffer<wchar_t> list(name.Length() + 2);
  std::memcpy(list.Data(), name.CStr(), name.Length() * sizeof(wchar_t));
  list[name.Length()] = L'\0';
  list[name.Length() + 1] = L'\0';
  return list;
}

}  // namespace

void* Services::ShellOperation() {
  if (!shell32_) shell32_.Reset(LoadFromSystemFolder("shell32.dll"));
  return shell32_ ? reinterpret_cast<void*>(GetProcAddress(shell32_.Get(), "SHFileOperationW"))
                  : nullptr;
}

Failure Services::ShellCopy(const Path& source, const Path& target, int* result) {
  using ShFileOperationFunction = int(WINAPI*)(LPSHFILEOPSTRUCTW);
  auto shFileOperation = reinterpret_cast<ShFileOperationFunction>(ShellOperation());
  if (!shFileOperation) return Failure("Cannot load shell32.dll");

  // The shell takes plain paths below MAX_PATH only; a longer one goes in
  // its short form, which names the same file.
  const WideText sourceName = ShellForm(FullPath(WideOf(source)));
  const WideText targetName = ShellForm(FullPath(WideOf(target)));
  if (sourceName.Empty() || targetName.Empty()) {
    return Failure(ErrorReason(ERROR_FILENAME_EXCED_RANGE));
  }
  const Buffer<wchar_t> from = NameList(sourceName);
  const Buffer<wchar_t> to = NameList(targetName);
  SHFILEOPSTRUCTW request = {};
  request.hwnd = application_.Window();
  request.wFunc = FO_COPY;
  request.pFrom = from.Data();
  request.pTo = to.Data();
  request.fFlags = FOF_NOCONFIRMATION;
  *result = shFileOperation(&request);
  return Failure();
}

namespace {

// Milliseconds on the performance counter, which every Windows since XP has.
double Milliseconds() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

void Services::Pause(unsigned milliseconds) {
  // The pauses come between the copies: loading the shell that they need
  // here, once, changes nothing that the user sees, and the first copy no
  // longer waits for it. The pause lasts as long all the same.
  const double end = Milliseconds() + milliseconds;
  ShellOperation();
  // Sleep wakes at a tick of the system's timer after the time asked, so it
  // is asked for less and the last moments pass in yields: the pause ends
  // when it should instead of up to a tick late.
  for (double left = end - Milliseconds(); left > 0; left = end - Milliseconds()) {
    Sleep(left > 2 ? static_cast<DWORD>(left) - 2 : 0);
  }
}

void Services::ShowMessageBox(const Text& text, const Text& caption, unsigned flags) {
  application_.ShowMessageBox(text, caption, flags);
}

}  // namespace vek::win32
