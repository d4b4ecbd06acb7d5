// The file-system questions and the executable's own path against the real
// functions, in a temporary folder; the resource lookup and the pause; the
// end of UAC's virtualization, harmless where Windows has none.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/Resources.h"
#include "platform/win32/Services.h"
#include "platform/win32/files/FileSystem.h"
#include "platform/win32/files/WidePath.h"
#include "platform/win32/process/Module.h"
#include "platform/win32/process/Virtualization.h"
#include "platform/win32/window/Application.h"
#include "tests/win32/TestFolder.h"

namespace vek::win32::test {

// Stopping virtualization turns it off where it is on; where Windows (or
// Wine) has none, it changes nothing: the token says what it said, and
// folders and files are made as before.
TEST(FileSystem, StoppingVirtualizationWhereThereIsNoneChangesNothing) {
  auto virtualized = [] {
    HANDLE token = nullptr;
    DWORD enabled = 2, size = 0;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
      if (!GetTokenInformation(token, TokenVirtualizationEnabled, &enabled, sizeof enabled, &size))
        enabled = 3;  // the class unknown
      CloseHandle(token);
    }
    return enabled;
  };
  const DWORD before = virtualized();
  StopVirtualization();
  StopVirtualization();
  EXPECT_EQ(before == 1 ? 0u : before, virtualized());
  TestFolder folder;
  EXPECT_TRUE(CreateDirectoryW((folder / L"Dlls").c_str(), nullptr));
  EXPECT_TRUE(WriteBytes(folder / L"Dlls\\libxml2.dll", "x"));
}

TEST(FileSystem, FilesAndFoldersAreToldApart) {
  TestFolder folder;
  ASSERT_TRUE(WriteBytes(folder / L"libxml2.dll", "x"));
  ASSERT_TRUE(CreateDirectoryW((folder / L"Dlls").c_str(), nullptr));
  const struct {
    std::wstring path;
    bool file, folder;
  } cases[] = {
      {folder / L"libxml2.dll", true, false},
      {folder / L"LIBXML2.DLL", true, false},  // names are compared without regard to case
      {folder / L"Dlls", false, true},
      {folder / L"Dlls\\", false, true},
      {folder / L"missing.dll", false, false},
      {folder / L"missing\\libxml2.dll", false, false},
      {folder / L"*.dll", false, false},  // a search pattern names no file
      {folder / L"libxml?.dll", false, false},
      {L"", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.file, FileExists(Wide(c.path))) << c.path;
    EXPECT_EQ(c.folder, FolderExists(Wide(c.path))) << c.path;
  }
}

// The paths that Windows gives, however long: a relative path made full, and
// the path of a module (this program, and a library loaded from a folder
// deeper than MAX_PATH).
TEST(FileSystem, PathsThatWindowsGivesAreWholeBeyondMaxPath) {
  TestFolder folder;
  const std::wstring deep = DeepFolder(folder.Path(), L"pasta de nome comprido numero");
  ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
  const std::wstring relative = deep.substr(folder.Path().size()) + L"Dlls\\libxml2.dll";
  EXPECT_EQ(deep + L"Dlls\\libxml2.dll", Std(FullPath(Wide(relative))));
  EXPECT_EQ(folder / L"a\\c.dll", Std(FullPath(Wide(L"a\\b\\..\\c.dll"))));
  SetCurrentDirectoryW(L"C:\\");

  EXPECT_EQ(ThisProgram(), Std(ModulePath()));
  const std::wstring copy = deep + L"planted_library.dll";
  ASSERT_TRUE(CopyFileW(Built(L"planted_library.dll").c_str(), Long(copy).c_str(), FALSE));
  // Mapped without running it: it would refuse to load.
  const OwnedModule library(LoadLibraryExW(Long(copy).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_TRUE(library) << GetLastError();
  const std::wstring reported = Std(ModulePath(library.Get()));
  EXPECT_EQ(copy, reported.compare(0, 4, L"\\\\?\\") == 0 ? reported.substr(4) : reported);
  EXPECT_GT(reported.size(), std::size_t(MAX_PATH));
}

TEST(Services, FindsItsOwnResourceByNameWithoutRegardToCase) {
  Application application;
  Services services(application);
  for (const char* name : {"TESTPAYLOAD", "testpayload", "TestPayload"}) {
    ResourceBytes bytes;
    ASSERT_TRUE(services.FindOwnResource(name, VEK_NAME(VEK_PAYLOAD_TYPE), &bytes)) << name;
    EXPECT_EQ("VEK test payload",
              std::string(reinterpret_cast<const char*>(bytes.data), bytes.size)) << name;
  }
  ResourceBytes bytes;
  EXPECT_FALSE(services.FindOwnResource("libxml2dll", VEK_NAME(VEK_PAYLOAD_TYPE), &bytes));
  EXPECT_FALSE(services.FindOwnResource("TESTPAYLOAD", "RCDATA", &bytes));
}

TEST(Services, APauseLastsAsLongAsAskedAndReadiesTheShellForTheCopies) {
  Application application;
  Services services(application);
  constexpr DWORD kTick = 16;  // the tick counter's steps on Windows
  const DWORD start = GetTickCount();
  services.Pause(300);
  EXPECT_GE(GetTickCount() - start + kTick, 300u);
  EXPECT_NE(nullptr, GetModuleHandleW(L"shell32.dll")) << "the shell, loaded during the pause";
}

}  // namespace vek::win32::test
