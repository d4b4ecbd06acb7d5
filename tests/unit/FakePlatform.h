#pragma once
// A scripted stand-in for the Windows services and the window toolkit. Tests
// set up the machine (name, bitness, folders, files, resources), run the code,
// and read back the machine's state and what the user met: the window as it
// was at each pause and message box, the shell's copies, the dialogs.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/System.h"
#include "platform/Toolkit.h"

namespace vek::test {

enum class Wow64Query { NoKernel32, NoExport, CallFails, ReportsTrue, ReportsFalse };

class FakePlatform : public System, public Toolkit {
 public:
  // --- The machine, as the test sets it up. ---
  std::optional<std::string> computerName = std::string("PC-ESCRITORIO");  // nullopt: unreadable
  Wow64Query wow64 = Wow64Query::ReportsTrue;
  std::string executablePath = "D:\\Setup\\VekDll.exe";
  // When set, the executable's folder comes in this platform form, with
  // the folder part of executablePath as what the user reads.
  std::string executableFolderForm;
  std::set<std::string> folders;                 // existing folders, with trailing backslash
  std::map<std::string, std::string> files;      // existing files -> their bytes
  std::set<std::string> refusedFolders;          // CreateFolder fails for these
  std::map<std::string, std::string> resources;  // lower-case name -> bytes ("DLLFILE")
  std::map<std::string, WriteResult::Outcome> writeOutcomes;  // per path; default Written
  std::string writeFailureReason = "Access is denied.\r\n";
  // Nothing can arrive under these names (a folder of that name, say): the
  // shell "copies" to them and the renames to them fail.
  std::set<std::string> refusedTargets;
  std::optional<std::string> shellCopyFailure;  // ShellCopy cannot make the request
  int shellCopyResult = 0;
  // Staged names that are no plain file (a folder, a link) or that another
  // program holds: HoldPlainFile refuses them.
  std::set<std::string> notPlain;
  std::set<std::string> shortTargets;  // the shell's copy to these comes out 1 byte short, also
                                       // when it reports a failure
  std::set<std::string> refusedLandings;  // no landing folder can be made in these folders
  std::set<std::string>
      placedMeanwhile;  // another instance puts a file here just before our rename
  // The system folder that Windows reports; nullopt: the usual one.
  std::optional<std::string> systemFolder;
  FormEvents* events = nullptr;  // receives Press

  // --- What the code did. ---
  std::vector<unsigned long> computerNameCapacities;
  std::map<std::string, std::string> written;  // path -> bytes, by WriteWholeFile
  std::vector<Path> paths;                     // every path given to the file system, in order
  // How many paths the file system had been given when virtualization was
  // stopped; nullopt: it never was.
  std::optional<std::size_t> virtualizationStoppedAfter;
  std::vector<std::string> shellCopies;        // "source -> target", in order
  int landingsHeld = 0;                        // landing folders made and not yet removed
  int filesHeld = 0;                           // HoldPlainFile's holds not yet released
  int librariesLoaded = 0;
  int librariesReleased = 0;
  std::map<ControlId, bool> visible;
  std::map<ControlId, bool> enabled;
  std::map<ControlId, std::string> texts;
  ControlId top = kNoControl;  // the control last brought to the front
  bool unpainted = false;      // a control changed since the window last painted
  // The window as the user saw it at one moment.
  struct Screen {
    bool painted;
    std::map<ControlId, bool> visible, enabled;
    std::map<ControlId, std::string> texts;
    ControlId top;
    bool Shows(ControlId control) const { return visible.count(control) && visible.at(control); }
  };
  Screen Now() const { return {!unpainted, visible, enabled, texts, top}; }
  // Every message box ("flags [caption] text") and the window behind it.
  struct Box {
    std::string text;
    Screen screen;
  };
  std::vector<Box> boxes;
  std::vector<std::pair<unsigned, Screen>> pauses;  // each pause and the window during it
  std::vector<std::string> informations;            // "[application title] text"
  std::string formText;
  std::string applicationTitle = "Vekdll";
  ControlId focus = kNoControl;
  bool closed = false;

  // The texts of the boxes, in order.
  std::vector<std::string> BoxTexts() const;

  // System
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
  void Pause(unsigned milliseconds) override;
  void ShowMessageBox(const Text& text, const Text& caption, unsigned flags) override;

  // Toolkit
  void SetApplicationTitle(const Text& title) override;
  void ProcessMessages() override;
  void ShowInformation(const Text& text) override;
  void SetFormText(const Text& text) override;
  void CloseForm() override;
  void SetVisible(ControlId control, bool visible) override;
  bool IsVisible(ControlId control) override;
  void BringToFront(ControlId control) override;
  void SetText(ControlId control, const Text& text) override;
  void SetEnabled(ControlId control, bool enabled) override;
  void Focus(ControlId control) override;
  Failure Press(ControlId button) override;
};

inline std::string Str(const Text& text) { return std::string(text.CStr(), text.Length()); }
inline std::string Str(const Path& path) { return Str(path.Shown()); }
// A file in the staging folder of the fake's executable (D:\Setup\VekDll.exe).
inline std::string Staged(const char* file) { return std::string("D:\\Setup\\Dlls\\") + file; }
// A path spelled out in text, as the program's fixed folders are.
inline Path P(const std::string& text) { return Path(Text(text.c_str())); }

}  // namespace vek::test
