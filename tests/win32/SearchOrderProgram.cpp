// The program's start and the work during which Windows loads libraries on
// its behalf, for the library-search test. Built twice: with this Windows'
// search functions (search_modern.exe) and with LegacySearchFunctions.cpp
// (search_fallback.exe), as on Windows without SetDefaultDllDirectories.
// Through the program's own Platform it shows a form with a picture and a
// button glyph, the information dialog and a message box (answered by a
// timer), and copies a file through the shell. Then it
// writes the full paths of the libraries that were loaded after its start,
// one per line, in UTF-16: those still loaded at its end and those loaded
// right after the copy (the shell's are released with the platform).
//
// Usage: search_<variant>.exe <list-out> <copy-source> <copy-target>

#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>
#include <set>
#include <string>

#include "platform/Resources.h"
#include "platform/win32/Platform.h"
#include "platform/win32/files/WidePath.h"
#include "tests/win32/Boxes.h"
#include "tests/win32/TestFolder.h"

namespace {

using vek::ControlId;
using vek::ControlKind;
using vek::Failure;

std::set<std::wstring> LoadedLibraries() {
  std::set<std::wstring> paths;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return paths;
  MODULEENTRY32W module = {};
  module.dwSize = sizeof module;
  for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module)) {
    paths.insert(module.szExePath);
  }
  CloseHandle(snapshot);
  return paths;
}

constexpr ControlId kPicture = 1, kButton = 2;
const vek::ControlLayout kControls[] = {
    {kPicture, ControlKind::Picture, vek::kNoControl, 4, 4, VEK_LOGO_SIDE, VEK_LOGO_SIDE, nullptr, {nullptr, 0, false},
     vek::Colour::White, vek::Bevel::None, vek::Bevel::None, 0, true, VEK_NAME(VEK_LOGO)},
    {kButton, ControlKind::PictureButton, vek::kNoControl, 60, 4, 149, 53, "OK", {"Arial", 12, true},
     vek::Colour::Face, vek::Bevel::None, vek::Bevel::None, 0, true, VEK_NAME(VEK_GLYPH_OK)},
};
const vek::FormLayout kLayout = {220, 64, {"MS Sans Serif", 11, false}, kControls, 2, kButton};

class Work : public vek::FormEvents {
 public:
  Work(vek::win32::Platform& platform, const wchar_t* source, const wchar_t* target)
      : platform_(platform), source_(source), target_(target) {}

  Failure OnShow() override {
    vek::win32::test::BoxAnswerer answerer;
    platform_.Tools().ShowInformation("Information");
    int result = -1;
    Failure failure = platform_.Services().ShellCopy(Found(source_), Found(target_), &result);
    platform_.Services().ShowMessageBox("Message", "Caption", vek::kIconInformation);
    afterCopy_ = LoadedLibraries();
    platform_.Tools().CloseForm();
    return failure;
  }
  Failure OnClick(ControlId) override { return Failure(); }
  const std::set<std::wstring>& AfterCopy() const { return afterCopy_; }

 private:
  static vek::Path Found(const wchar_t* path) {
    return vek::win32::FoundFolder(vek::win32::WideText(path, wcslen(path)));
  }

  vek::win32::Platform& platform_;
  const wchar_t* source_;
  const wchar_t* target_;
  std::set<std::wstring> afterCopy_;
};

}  // namespace

// wmain (-municode): the command line is split without the shell's help.
int wmain(int count, wchar_t** arguments) {
  const std::set<std::wstring> atStart = LoadedLibraries();
  if (count != 4) return 2;
  int code = 0;
  std::set<std::wstring> loaded;
  {
    vek::win32::Platform platform;
    Work work(platform, arguments[2], arguments[3]);
    code = platform.Run(kLayout, work);
    loaded = work.AfterCopy();
  }
  for (const std::wstring& path : LoadedLibraries()) loaded.insert(path);
  std::wstring list;
  for (const std::wstring& path : loaded) {
    if (!atStart.count(path)) list += path + L"\n";
  }
  return vek::win32::test::WriteWide(arguments[1], list) ? code : 3;
}
