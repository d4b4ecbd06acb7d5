// Landing folders and the placing of a copy under its name, against the
// real file system and the real shell, in a temporary folder.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/win32/Application.h"
#include "platform/win32/LandingFolder.h"
#include "platform/win32/Services.h"
#include "platform/win32/WidePath.h"
#include "tests/win32/TestFolder.h"

namespace vek::win32::test {

namespace {

// A landing folder as another instance, or a killed one, left it.
std::wstring Leftover(const TestFolder& folder, const wchar_t* name, const char* partial) {
  const std::wstring path = folder / name;
  CreateDirectoryW(path.c_str(), nullptr);
  WriteBytes(path + L"\\libxml2.dll", partial);
  return path;
}

}  // namespace

TEST(LandingFolder, ALiveOneStaysWhileAKilledRunsIsRemovedWithItsPartialFile) {
  TestFolder folder;
  Leftover(folder, L"vek4242-1.tmp", "half a copy");
  Leftover(folder, L"vek4242-2.tmp", "");
  // Another instance's live landing folder, held as the program holds one.
  const std::wstring live = Leftover(folder, L"vek4343-1.tmp", "being copied");
  OwnedHandle theirs(CreateFileW(live.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(theirs);
  ASSERT_TRUE(WriteBytes(folder / L"vek4242-3.tmp", "a file, not a landing folder"));

  Text first;
  OwnedHandle mine = MakeLandingFolder(Wide(folder.Path()), true, &first);
  ASSERT_TRUE(mine);
  EXPECT_EQ((std::vector<std::wstring>{Std(first), L"vek4242-3.tmp", L"vek4343-1.tmp"}),
            Names(folder.Path()));
  EXPECT_EQ("being copied", ReadBytes(live + L"\\libxml2.dll"));

  // A second one, made meanwhile, leaves the first alone too.
  Text second;
  OwnedHandle next = MakeLandingFolder(Wide(folder.Path()), true, &second);
  ASSERT_TRUE(next);
  EXPECT_NE(Std(first), Std(second));
  EXPECT_EQ(4u, Names(folder.Path()).size());

  for (OwnedHandle* hold : {&mine, &next}) {
    const Text& name = hold == &mine ? first : second;
    const std::wstring path = folder / Std(name) + L"\\";
    ASSERT_TRUE(WriteBytes(path + L"midas.dll", "left after a failed copy"));
    RemoveLandingFolder(std::move(*hold), Wide(path));
  }
  EXPECT_EQ((std::vector<std::wstring>{L"vek4242-3.tmp", L"vek4343-1.tmp"}), Names(folder.Path()));
}

TEST(LandingFolder, NoneCanBeMadeInAMissingFolderAndNothingIsLeft) {
  TestFolder folder;
  Text name;
  const std::wstring missing = folder / L"DllsTeste\\";
  SetLastError(0);
  EXPECT_FALSE(MakeLandingFolder(Wide(missing), true, &name));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  EXPECT_TRUE(Names(folder.Path()).empty());
}

// Another instance sweeps before each landing folder it makes, at any
// moment of this one's work: here a second thread does it all the time.
TEST(LandingFolder, AnotherInstanceSweepingMeanwhileNeverTakesALiveOne) {
  TestFolder folder;
  Meanwhile sweep([&] {
    Text name;
    OwnedHandle hold = MakeLandingFolder(Wide(folder.Path()), true, &name);
    if (hold) RemoveLandingFolder(std::move(hold), Wide(folder / Std(name) + L"\\"));
  });
  const std::string bytes(20000, 'c');
  int lost = 0;
  for (int i = 0; i < 200; ++i) {
    Text name;
    OwnedHandle hold = MakeLandingFolder(Wide(folder.Path()), false, &name);
    const std::wstring copy = folder / Std(name) + L"\\midas.dll";
    if (!hold || !WriteBytes(copy, bytes) || ReadBytes(copy) != bytes) ++lost;
    RemoveLandingFolder(std::move(hold), Wide(folder / Std(name) + L"\\"));
  }
  ASSERT_TRUE(sweep.Stop());
  EXPECT_EQ(0, lost) << "landing folders taken while in use";
  EXPECT_TRUE(Names(folder.Path()).empty()) << "every one removed";
}

// As the installation run places a payload: the shell copies into a landing
// folder, and the copy takes its name only when it holds the carried bytes,
// never from a file already there; a copy that differs is removed, also a
// read-only one. Without a landing folder, what differs is not kept.
TEST(LandingFolder, TheShellsCopyTakesItsNameOnlyWhenItIsThePayloadAndNeverReplacesAFile) {
  Application application;
  Services services(application);
  const std::string payload(150000, 'p');
  const ResourceBytes carried{reinterpret_cast<const unsigned char*>(payload.data()),
                              payload.size()};
  std::string sameSize = payload;
  sameSize[payload.size() / 2] = 'q';
  const struct {
    const char* scenario;
    std::string staged;
    const char* theirs;  // already under the name in the target
    bool readOnly;       // the staged file, so its copy too
    Placing placing;
  } cases[] = {
      {"the payload", payload, nullptr, false, Placing::Placed},
      {"another instance's copy there", payload, "another instance's copy", false,
       Placing::Refused},
      {"another file", "MZ another library", nullptr, false, Placing::Differs},
      {"the same size, one byte off", sameSize, nullptr, false, Placing::Differs},
      {"one byte short", payload.substr(1), nullptr, false, Placing::Differs},
      {"another file, read-only", "MZ read-only", nullptr, true, Placing::Differs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    TestFolder folder;
    const Path here = FoundFolder(Wide(folder.Path()));
    ASSERT_TRUE(WriteBytes(folder / L"libxml2.dll", c.staged));
    if (c.readOnly) SetFileAttributesW((folder / L"libxml2.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(CreateDirectoryW((folder / L"Destino").c_str(), nullptr));
    ASSERT_TRUE(!c.theirs || WriteBytes(folder / L"Destino\\libxml2.dll", c.theirs));
    const Path target = here + "Destino\\";

    const LandingFolder landing = services.MakeLandingFolder(target);
    ASSERT_NE(nullptr, landing.hold);
    int result = -1;
    const Path copy = landing.path + "libxml2.dll";
    ASSERT_FALSE(services.ShellCopy(here + "libxml2.dll", copy, &result).Raised());
    EXPECT_EQ(0, result);
    EXPECT_EQ(c.placing, services.PlaceIfSame(copy, target + "libxml2.dll", carried));
    EXPECT_EQ(c.placing == Placing::Refused, services.FileExists(copy));
    services.RemoveLandingFolder(landing);
    const std::string placed = c.theirs ? c.theirs : payload;
    EXPECT_EQ(c.placing == Placing::Differs ? std::string() : placed,
              ReadBytes(folder / L"Destino\\libxml2.dll"));
    EXPECT_EQ(c.placing == Placing::Differs ? 0u : 1u, Names(folder / L"Destino\\").size())
        << "nothing else left";

    // The shell's copy straight to the name, as where no landing folder can be made.
    ASSERT_FALSE(services.ShellCopy(here + "libxml2.dll", target + "kept.dll", &result).Raised());
    const bool same = c.staged == payload;
    EXPECT_EQ(same, services.KeepIfSame(target + "kept.dll", carried));
    EXPECT_EQ(same, services.FileExists(target + "kept.dll"));
    SetFileAttributesW((folder / L"libxml2.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// The system folder of each bitness as Windows reports it, the usual spelling
// kept where it names the same folder in another case.
TEST(Services, TheSystemFolderIsTheOneWindowsReports) {
  Application application;
  Services services(application);
  const Path elsewhere(Text("Z:\\Elsewhere\\"));
  for (const bool wow64 : {false, true}) {
    wchar_t units[MAX_PATH + 1];
    const UINT length = wow64 ? GetSystemWow64DirectoryW(units, MAX_PATH + 1)
                              : GetSystemDirectoryW(units, MAX_PATH + 1);
    // A 32-bit Windows has no WOW64 folder: the usual path stays.
    const Text reported = length ? Narrow(units, length) + "\\" : elsewhere.Shown();
    EXPECT_EQ(reported, services.SystemFolder(wow64, elsewhere).Shown()) << wow64;
    const Path capitals(UpperCase(reported));
    EXPECT_EQ(capitals.Shown(), services.SystemFolder(wow64, capitals).Shown()) << wow64;
  }
}

}  // namespace vek::win32::test
