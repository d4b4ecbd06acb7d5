#pragma once
// The Windows services of the System interface, for real: each one a line
// or two over the code of its job, in process/ (the process and its
// executable), files/ (the file system and the shell's copy) and window/
// (the boxes). Paths reach the file system in UTF-16, through the wide
// functions, at any length.

#include "platform/System.h"
#include "platform/win32/files/LandingFolder.h"
#include "platform/win32/files/ShellCopy.h"
#include "platform/win32/window/Application.h"

namespace vek::win32 {

class Services : public System {
 public:
  // Borrows the application, whose window owns the boxes and shell requests.
  explicit Services(Application& application) : application_(application) {}

  bool ComputerName(char* buffer, unsigned long* capacity) override;
  LibraryHandle LoadSystemLibrary(const char* name) override;
  void* FindExport(LibraryHandle library, const char* name) override;
  bool CallIsWow64Process(void* isWow64Process, bool* wow64) override;
  void ReleaseLibrary(LibraryHandle library) override;
  void StopVirtualization() override;
  Path ExecutableFolder() override;
  bool FolderExists(const Path& path) override;
  bool CreateFolder(const Path& path) override;
  bool FileExists(const Path& path) override;
  bool FindOwnResource(const char* name, const char* type, ResourceBytes* bytes) override;
  WriteResult WriteWholeFile(const Path& path, const unsigned char* data,
                             std::size_t size) override;
  FileHold HoldPlainFile(const Path& path) override;
  void ReleaseFile(FileHold hold) override;
  LandingFolder MakeLandingFolder(const Path& folder) override;
  void RemoveLandingFolder(const LandingFolder& landing) override;
  Placing PlaceIfSame(const Path& copy, const Path& to, const ResourceBytes& carried) override;
  bool KeepIfSame(const Path& path, const ResourceBytes& carried) override;
  Path SystemFolder(bool wow64, const Path& usual) override;
  Failure ShellCopy(const Path& source, const Path& target, int* result) override;
  // Sleeps `milliseconds` in all, handling no window event; loads the shell
  // for the copies meanwhile, if it is not loaded yet.
  void Pause(unsigned milliseconds) override;
  void ShowMessageBox(const Text& text, const Text& caption, unsigned flags) override;

 private:
  Application& application_;
  Shell shell_;
  LandingFolders landings_;
};

}  // namespace vek::win32
