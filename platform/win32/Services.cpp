#include "platform/win32/Services.h"

#include <windows.h>

#include "platform/win32/Handles.h"
#include "platform/win32/files/FileSystem.h"
#include "platform/win32/files/OpenFile.h"
#include "platform/win32/files/PlainEntry.h"
#include "platform/win32/files/WholeFile.h"
#include "platform/win32/files/WidePath.h"
#include "platform/win32/process/Clock.h"
#include "platform/win32/process/DllSearch.h"
#include "platform/win32/process/Module.h"
#include "platform/win32/process/OwnResource.h"
#include "platform/win32/process/SystemFolder.h"
#include "platform/win32/process/Virtualization.h"

namespace vek::win32 {

// The process and its executable.

bool Services::ComputerName(char* buffer, unsigned long* capacity) {
  DWORD size = *capacity;
  bool read = GetComputerNameA(buffer, &size) != 0;
  *capacity = size;
  return read;
}

LibraryHandle Services::LoadSystemLibrary(const char* name) { return LoadFromSystemFolder(name); }

void* Services::FindExport(LibraryHandle library, const char* name) {
  return Export<void*>(static_cast<HMODULE>(library), name);
}

bool Services::CallIsWow64Process(void* isWow64Process, bool* wow64) {
  BOOL flag = FALSE;
  const bool called =
      FunctionAt<BOOL(WINAPI*)(HANDLE, PBOOL)>(isWow64Process)(GetCurrentProcess(), &flag) != 0;
  if (called) *wow64 = flag != FALSE;
  return called;
}

void Services::ReleaseLibrary(LibraryHandle library) { FreeLibrary(static_cast<HMODULE>(library)); }

void Services::StopVirtualization() { win32::StopVirtualization(); }

Path Services::ExecutableFolder() { return FoundFolder(FolderPart(ModulePath())); }

bool Services::FindOwnResource(const char* name, const char* type, ResourceBytes* bytes) {
  const ResourceBytes found = OwnResource(name, type);
  if (!found.data) return false;
  *bytes = found;
  return true;
}

Path Services::SystemFolder(bool wow64, const Path& usual) {
  const WideText reported = win32::SystemFolder(wow64);
  if (reported.Empty()) return usual;
  return SameName(reported, WideOf(usual)) ? usual : FoundFolder(reported);
}

void Services::Pause(unsigned milliseconds) {
  const double end = Milliseconds() + milliseconds;
  // For the row "installation run minus 7 x 1000 ms of pauses" (bench/
  // install_run.py): the pauses come between the copies, and loading the
  // shell that they need here, once, out of the user's sight, spares the
  // first copy the wait for it. The pause lasts as long all the same; the
  // copy loads the shell itself when it is not loaded.
  shell_.Load();
  SleepUntil(end);
}

// The file system.

bool Services::FolderExists(const Path& path) { return win32::FolderExists(FileSystemPath(path)); }

bool Services::CreateFolder(const Path& path) {
  return CreateDirectoryW(FileSystemPath(path).CStr(), nullptr) != 0;
}

bool Services::FileExists(const Path& path) { return win32::FileExists(FileSystemPath(path)); }

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

LandingFolder Services::MakeLandingFolder(const Path& folder) { return landings_.Make(folder); }

void Services::RemoveLandingFolder(const LandingFolder& landing) { landings_.Remove(landing); }

Placing Services::PlaceIfSame(const Path& copy, const Path& to, const ResourceBytes& carried) {
  return win32::PlaceIfSame(FileSystemPath(copy), FileSystemPath(to), carried);
}

bool Services::KeepIfSame(const Path& path, const ResourceBytes& carried) {
  return win32::KeepIfSame(FileSystemPath(path), carried);
}

Failure Services::ShellCopy(const Path& source, const Path& target, int* result) {
  return shell_.Copy(source, target, application_.Window(), result);
}

// The boxes.

void Services::ShowMessageBox(const Text& text, const Text& caption, unsigned flags) {
  application_.ShowMessageBox(text, caption, flags);
}

}  // namespace vek::win32
