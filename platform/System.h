#pragma once
// The Windows services that the installer needs, as an interface: the real
// one lives in platform/win32, the unit tests put a fake in its place.
// Nothing here includes <windows.h>.

#include <cstddef>

#include "platform/Failure.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace vek {

// Message box flags, as MessageBoxA takes them; always one OK button.
constexpr unsigned kIconError = 0x10;
constexpr unsigned kIconWarning = 0x30;
constexpr unsigned kIconInformation = 0x40;

// A loaded library, opaque to callers; null when none.
using LibraryHandle = void*;

// The bytes of one of the executable's own resources, read in place: they
// belong to the loaded image and are never freed or written.
struct ResourceBytes {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

struct WriteResult {
  enum class Outcome {
    Written,       // the file is there with exactly these bytes
    KeptExisting,  // a file of that name appeared meanwhile and was kept
    CannotCreate,  // the file could not be created (or put in place)
    WriteFailed,   // writing failed part-way, e.g. on a full disk
  };
  Outcome outcome;
  Text fullPath;  // the path expanded to a full path, as the user reads it
  Text reason;    // CannotCreate: the system's description of the error, as given
};

// What System::PlaceIfSame did with a copy.
enum class Placing { Placed, Differs, Refused };

// A file held by System::HoldPlainFile, opaque to callers; null when none.
using FileHold = void*;

// A landing folder that the process holds (System::MakeLandingFolder).
struct LandingFolder {
  void* hold = nullptr;  // opaque to callers; null when no folder was made
  Path path;             // the folder, with its trailing backslash
};

class System {
 public:
  virtual ~System() = default;

  // GetComputerNameA: on entry *capacity is the room in `buffer` not counting
  // the terminating NUL. True on success, with the name NUL-terminated in
  // `buffer`; false when the name cannot be read (buffer contents undefined).
  virtual bool ComputerName(char* buffer, unsigned long* capacity) = 0;

  // Loads a system library by its file name; null when it cannot be loaded.
  // The caller releases a non-null handle with ReleaseLibrary.
  virtual LibraryHandle LoadSystemLibrary(const char* name) = 0;
  // The address of an export of `library`, or null when it has none by that name.
  virtual void* FindExport(LibraryHandle library, const char* name) = 0;
  // Calls `isWow64Process` (an IsWow64Process export) for the current process.
  // Returns the call's success; on success *wow64 holds the flag it returned.
  virtual bool CallIsWow64Process(void* isWow64Process, bool* wow64) = 0;
  virtual void ReleaseLibrary(LibraryHandle library) = 0;

  // Turns off UAC's file virtualization for this process where Windows
  // applies it (a 32-bit program without a manifest, run by a standard
  // user), so that a folder or file made under the Windows folder is made
  // there or refused, never redirected to the user's VirtualStore. Nothing
  // happens where Windows has none (XP, Wine) or it is already off.
  virtual void StopVirtualization() = 0;

  // The folder of the running executable: its full path up to and including
  // the last backslash or colon, whatever its names and however long.
  virtual Path ExecutableFolder() = 0;

  // Paths of any length, with any names that the file system takes.
  // True only when `path` exists and is a folder.
  virtual bool FolderExists(const Path& path) = 0;
  // Creates one folder level (the parent must exist). False on any failure.
  virtual bool CreateFolder(const Path& path) = 0;
  // True only when a file of exactly this name exists; a folder counts as absent.
  virtual bool FileExists(const Path& path) = 0;

  // Finds a resource of the executable itself by name and type, compared
  // without regard to case. False when there is none (or it cannot be loaded).
  virtual bool FindOwnResource(const char* name, const char* type, ResourceBytes* bytes) = 0;

  // Writes `size` bytes to `path` so that a file appears under that name
  // only when it is complete: the bytes go to a temporary file in the same
  // folder (created for reading and writing, not shared), which takes the
  // name while it is still open, so that another instance never removes it.
  // If a file of that name appeared meanwhile (another instance), that one
  // is kept. Whatever fails, nothing is left behind; leftovers of writes
  // that were interrupted (a killed process) are removed first.
  virtual WriteResult WriteWholeFile(const Path& path, const unsigned char* data,
                                     std::size_t size) = 0;

  // Opens the file at `path` itself, never what a link there leads to, and
  // holds it so that it stays that file, unchanged, until ReleaseFile: it
  // can be read (the shell's copy reads it), not written, renamed or
  // deleted. Null unless it is a plain file: not a folder, a link or other
  // reparse point, nor a name reached through one, nor a file with other
  // names (hard links); null also when it cannot be opened so (another
  // program holds it, sharing less).
  virtual FileHold HoldPlainFile(const Path& path) = 0;
  // Gives up a non-null hold of HoldPlainFile.
  virtual void ReleaseFile(FileHold hold) = 0;

  // Makes a new, empty folder "vek<process>-<n>.tmp\" inside `folder`, where
  // a copy can be made whole before it takes its final name. The process
  // holds it from its creation until RemoveLandingFolder, so that no other
  // instance removes it meanwhile. At the first call for a folder (and the
  // first after a removal that left something), landing folders there that
  // nobody holds (a killed run's) are removed first, whole: only plain
  // folders whose own names are of that form, and the plain files and
  // folders in them, never what a link leads to. On failure (no such
  // folder, no rights there) the result holds nothing and nothing is left
  // behind.
  virtual LandingFolder MakeLandingFolder(const Path& folder) = 0;
  // Removes a landing folder that MakeLandingFolder made, with what is
  // still in it, and gives up the hold. A file that another program holds
  // open stays, and the folder with it, until a later sweep.
  virtual void RemoveLandingFolder(const LandingFolder& landing) = 0;
  // Gives the file at `copy` the name `to` on the same volume, only when it
  // holds exactly the `carried` bytes, with plain attributes, its data
  // flushed to the disk first, and never replacing anything. The file is
  // held from the comparison to the rename, so that no one can change it in
  // between. Differs: it did not hold them (or there was none) and nothing
  // is left under `copy`. Refused: it could not be opened, flushed or
  // renamed, or a file or folder named `to` exists; `copy` is left as it
  // was. A refusal for a sharing violation or a denied access (a virus
  // scanner holding the new file a moment) is tried again for a few
  // seconds first.
  virtual Placing PlaceIfSame(const Path& copy, const Path& to, const ResourceBytes& carried) = 0;
  // True when the file at `path` holds exactly the `carried` bytes, which
  // are then flushed to the disk, with plain attributes; otherwise it is
  // removed (where it can be) and false. Tried again as PlaceIfSame is.
  virtual bool KeepIfSame(const Path& path, const ResourceBytes& carried) = 0;

  // The system folder of a process of this bitness, as Windows reports it
  // (the WOW64 one when `wow64`), with its trailing backslash: `usual`
  // itself when it names that same folder, compared as Windows compares
  // names (without regard to case); `usual` also when Windows cannot tell.
  virtual Path SystemFolder(bool wow64, const Path& usual) = 0;

  // The shell's copy of one file (SHFileOperation), FOF_NOCONFIRMATION only,
  // owned by the application window. *result receives the shell's return
  // value (0 means success). A Failure means the request could not be made
  // at all, e.g. for a path that is too long for the shell in any form.
  virtual Failure ShellCopy(const Path& source, const Path& target, int* result) = 0;

  // Sleeps on the calling thread; no window event is handled meanwhile. The
  // first pause also loads the shell's copy operation, within the time asked
  // and out of the user's sight, so that the copy after it starts at once.
  virtual void Pause(unsigned milliseconds) = 0;

  // A modal MessageBoxA owned by the application window, text, caption and
  // flags passed unchanged. While it is open the program's other windows are
  // disabled; afterwards the active window and focus are restored.
  virtual void ShowMessageBox(const Text& text, const Text& caption, unsigned flags) = 0;
};

}  // namespace vek

namespace vek {

// Owns a landing folder made by System::MakeLandingFolder and removes it,
// with whatever is still in it, when it goes out of scope.
class ScopedLandingFolder {
 public:
  ScopedLandingFolder(System& system, const Path& folder)
      : system_(system), landing_(system.MakeLandingFolder(folder)) {}
  ~ScopedLandingFolder() {
    if (landing_.hold) system_.RemoveLandingFolder(landing_);
  }
  ScopedLandingFolder(const ScopedLandingFolder&) = delete;
  ScopedLandingFolder& operator=(const ScopedLandingFolder&) = delete;

  // False when no folder could be made.
  bool Made() const { return landing_.hold != nullptr; }
  // The folder, with its trailing backslash; only when Made().
  const Path& Folder() const { return landing_.path; }

 private:
  System& system_;
  LandingFolder landing_;
};

// Holds a file through System::HoldPlainFile and lets it go when it goes
// out of scope, whatever path the caller takes.
class ScopedPlainFile {
 public:
  ScopedPlainFile(System& system, const Path& path)
      : system_(system), hold_(system.HoldPlainFile(path)) {}
  ~ScopedPlainFile() {
    if (hold_) system_.ReleaseFile(hold_);
  }
  ScopedPlainFile(const ScopedPlainFile&) = delete;
  ScopedPlainFile& operator=(const ScopedPlainFile&) = delete;

  // False when the path names no plain file, or it could not be held.
  bool Held() const { return hold_ != nullptr; }

 private:
  System& system_;
  FileHold hold_;
};

// Owns a library loaded through System::LoadSystemLibrary and releases it
// when it goes out of scope, whatever path the caller takes.
class ScopedLibrary {
 public:
  ScopedLibrary(System& system, const char* name)
      : system_(system), handle_(system.LoadSystemLibrary(name)) {}
  ~ScopedLibrary() {
    if (handle_) system_.ReleaseLibrary(handle_);
  }
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;

  // Null when the library could not be loaded.
  LibraryHandle Get() const { return handle_; }

 private:
  System& system_;
  LibraryHandle handle_;
};

}  // namespace vek
