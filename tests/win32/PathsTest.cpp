// Paths of any name and length: the conversions against the real functions,
// and the services with folders named in other scripts and longer than
// MAX_PATH, in a temporary folder.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/Services.h"
#include "platform/win32/files/FileSystem.h"
#include "platform/win32/files/WidePath.h"
#include "platform/win32/window/Application.h"
#include "tests/win32/TestFolder.h"

namespace vek::win32::test {

namespace {

// Japanese, Greek, and an emoji (a surrogate pair): none of them in code
// page 1252.
const std::wstring kOtherScripts = L"Pasta \u65E5\u672C \u00E7\u00E3o \u0395\u03BB\u03BB\u03AC\u03B4\u03B1 \U0001F4E6";

// `path` as Windows' ANSI functions give it: the current folder, read back.
std::string AsTheAnsiFunctionsGiveIt(const std::wstring& folder) {
  wchar_t before[MAX_PATH + 1];
  GetCurrentDirectoryW(MAX_PATH + 1, before);
  SetCurrentDirectoryW(folder.c_str());
  char ansi[MAX_PATH * 2];
  const DWORD length = GetCurrentDirectoryA(sizeof ansi, ansi);
  SetCurrentDirectoryW(before);
  return std::string(ansi, length);
}

}  // namespace

TEST(Paths, TheUserReadsAFoundFolderAsWindowsAnsiFunctionsGiveIt) {
  TestFolder folder;
  for (const std::wstring& name : {kOtherScripts, std::wstring(L"Instala\u00E7\u00E3o A\u00E7\u00E3o")}) {
    const std::wstring path = folder / name;
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    const Path found = FoundFolder(Wide(path + L"\\"));
    EXPECT_EQ(AsTheAnsiFunctionsGiveIt(path) + "\\", Str(found.Shown()));
    // And the file system gets the folder itself, whatever the text shows.
    EXPECT_EQ(path + L"\\Dlls\\libxml2.dll", Std(WideOf(found + "Dlls\\libxml2.dll")));
  }
  if (GetACP() == 1252) {
    const Path found = FoundFolder(Wide(L"C:\\Instala\u00E7\u00E3o\\"));
    EXPECT_EQ("C:\\Instala\xE7\xE3o\\", Str(found.Shown())) << "a name that fits reads as before";
    EXPECT_EQ("C:\\Pasta ?? \xE7\xE3o", Str(FoundFolder(Wide(L"C:\\Pasta \u65E5\u672C \u00E7\u00E3o")).Shown()));
  }
  EXPECT_EQ(L"C:\\Windows\\SysWOW64\\iconv.dll", Std(WideOf(Path("C:\\Windows\\SysWOW64\\") + "iconv.dll")));
}

TEST(Paths, LongPathsTakeTheFormThatTheWideFunctionsAccept) {
  const std::wstring deep = L"C:\\" + std::wstring(300, L'a') + L"\\Dlls\\";
  const std::wstring share = L"\\\\server\\share\\" + std::wstring(300, L'b') + L"\\";
  const struct {
    std::wstring full, longForm;
  } cases[] = {
      {L"C:\\Setup\\Dlls\\libxml2.dll", L"C:\\Setup\\Dlls\\libxml2.dll"},
      {deep, L"\\\\?\\" + deep},
      {share, L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'b') + L"\\"},
      {L"\\\\?\\" + deep, L"\\\\?\\" + deep},
      // From the limit on which CreateDirectoryW refuses plain paths.
      {L"C:\\" + std::wstring(244, L'c'), L"C:\\" + std::wstring(244, L'c')},
      {L"C:\\" + std::wstring(245, L'c'), L"\\\\?\\C:\\" + std::wstring(245, L'c')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.longForm, Std(LongForm(Wide(c.full)))) << c.full;
    EXPECT_EQ(c.full.compare(0, 4, L"\\\\?\\") == 0 ? c.full.substr(4) : c.full,
              Std(PlainForm(LongForm(Wide(c.full)))));
  }
}

// The services as the program uses them, in a folder named in other scripts
// and in one whose path is longer than MAX_PATH: the staging folder, its
// file, the existence tests and the shell's copy out of it, which takes a
// plain path below MAX_PATH (the file's short form where it is longer).
TEST(Paths, TheServicesWorkInAnyFolder) {
  Application application;
  Services services(application);
  TestFolder folder;
  const std::wstring deep = folder / kOtherScripts + L"\\";
  ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  const std::wstring longer = DeepFolder(deep, L"pasta de nome comprido");
  const std::wstring target = folder / L"Destino \u65E5\u672C\\";
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));

  for (const std::wstring& place : {deep, longer}) {
    const Path staging = FoundFolder(Wide(place)) + "Dlls\\";
    EXPECT_FALSE(services.FolderExists(staging));
    ASSERT_TRUE(services.CreateFolder(staging)) << place.size();
    EXPECT_TRUE(services.FolderExists(staging));

    const Path staged = staging + "libxml2.dll";
    EXPECT_FALSE(services.FileExists(staged));
    const std::string bytes(70000, 'x');
    const WriteResult written = services.WriteWholeFile(
        staged, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    EXPECT_EQ(WriteResult::Outcome::Written, written.outcome);
    EXPECT_EQ(Str(staged.Shown()), Str(written.fullPath));
    EXPECT_TRUE(services.FileExists(staged));
    EXPECT_EQ(bytes, ReadBytes(place + L"Dlls\\libxml2.dll"));

    const std::wstring shell = Std(ShellForm(FullPath(WideOf(staged))));
    EXPECT_LT(shell.size(), std::size_t(MAX_PATH));
    EXPECT_EQ(place == deep, shell == place + L"Dlls\\libxml2.dll") << "short only when long";
    EXPECT_EQ(bytes, ReadBytes(shell)) << "the same file";
    int result = -1;
    const Path copy = FoundFolder(Wide(target)) + "libxml2.dll";
    ASSERT_FALSE(services.ShellCopy(staged, copy, &result).Raised()) << place.size();
    EXPECT_EQ(0, result);
    EXPECT_EQ(bytes, ReadBytes(target + L"libxml2.dll"));
    DeleteFileW((target + L"libxml2.dll").c_str());
  }
}

}  // namespace vek::win32::test
