// The library search under Wine: a library planted beside the program under
// the name of one that Windows loads on its behalf is never loaded, with
// SetDefaultDllDirectories and, through the fallback, without it (a test
// build that lacks it, as Windows Vista and 7 without their 2011 loader
// update do).

#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/win32/TestFolder.h"

namespace vek::win32::test {

namespace {

std::wstring NameOf(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

// Runs a build of the search-order program from `folder`; returns the file
// names of the libraries loaded after its start, but for Wine's display
// driver, which has no Windows counterpart.
std::set<std::wstring> RunSearchOrder(const std::wstring& folder, const std::wstring& program,
                                      int* exitCode) {
  const std::wstring list = folder + program + L".txt";
  *exitCode = RunProgram(folder + program,
                         L"\"" + list + L"\" \"" + folder + L"source.txt\" \"" + folder +
                             program + L".copy\"",
                         folder);
  std::set<std::wstring> names;
  const std::wstring text = ReadWide(list);
  for (std::size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos;
       start = end + 1) {
    const std::wstring name = Lower(NameOf(text.substr(start, end - start)));
    if (name.size() < 4 || name.compare(name.size() - 4, 4, L".drv") != 0) names.insert(name);
  }
  return names;
}

// Wine's per-program library overrides "native, then builtin" for
// `libraries`, in its registry for the life of the object.
class WineOverrides {
 public:
  WineOverrides(std::vector<std::wstring> programs, const std::set<std::wstring>& libraries)
      : programs_(std::move(programs)) {
    static const wchar_t kOrder[] = L"native,builtin";
    for (const std::wstring& program : programs_) {
      const std::wstring key = KeyOf(program) + L"\\DllOverrides";
      for (const std::wstring& library : libraries) {
        const std::wstring name = library.substr(0, library.rfind(L'.'));
        RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ, kOrder, sizeof kOrder);
      }
    }
  }
  // The programs' keys go, with the overrides in them.
  ~WineOverrides() {
    for (const std::wstring& program : programs_) {
      RegDeleteTreeW(HKEY_CURRENT_USER, KeyOf(program).c_str());
    }
  }

 private:
  static std::wstring KeyOf(const std::wstring& program) {
    return L"Software\\Wine\\AppDefaults\\" + program;
  }
  std::vector<std::wstring> programs_;
};

}  // namespace

TEST(DllSearch, LibrariesPlantedBesideTheProgramAreNeverLoadedWithOrWithoutTheModernCall) {
  TestFolder folder;
  for (const wchar_t* file : {L"search_modern.exe", L"search_fallback.exe"}) {
    ASSERT_TRUE(CopyFileW(Built(file).c_str(), (folder / file).c_str(), FALSE));
  }
  ASSERT_TRUE(WriteBytes(folder / L"source.txt", "copied by the shell"));

  // What Windows (here Wine) loads by name on the program's behalf, learned
  // from a run without planted libraries.
  int exitCode = -1;
  const std::set<std::wstring> learned = RunSearchOrder(folder.Path(), L"search_modern.exe", &exitCode);
  ASSERT_EQ(0, exitCode);
  ASSERT_TRUE(learned.count(L"shell32.dll")) << "the shell, loaded for the copy after the start";
  EXPECT_EQ("copied by the shell", ReadBytes(folder / L"search_modern.exe.copy"));

  // Each of them planted beside the program, and Wine told (in its registry,
  // for these two programs only) to prefer such libraries to its own, as it
  // would a Windows system folder's.
  for (const std::wstring& name : learned) {
    ASSERT_TRUE(CopyFileW(Built(L"planted_library.dll").c_str(), (folder / name).c_str(), FALSE));
  }
  WineOverrides overrides({L"search_fallback.exe", L"search_modern.exe"}, learned);

  for (const wchar_t* program : {L"search_fallback.exe", L"search_modern.exe"}) {
    RunSearchOrder(folder.Path(), program, &exitCode);
    EXPECT_EQ(0, exitCode) << program;
    std::wstring loaded;
    for (const std::wstring& name : Names(folder.Path(), L"*.loaded")) {
      loaded += name + L" ";
      DeleteFileW((folder / name).c_str());
    }
    EXPECT_EQ(std::wstring(), loaded) << program << " loaded planted libraries";
  }
}

}  // namespace vek::win32::test
