// Landing folders and the placing of a copy under its name, against the
// real file system and the real shell, in a temporary folder.

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/Services.h"
#include "platform/win32/files/LandingFolder.h"
#include "platform/win32/files/OpenFile.h"
#include "platform/win32/files/WidePath.h"
#include "platform/win32/window/Application.h"
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

// The sweep removes a killed run's landing folders whole, and nothing else:
// not another instance's live one, not a folder or file whose long name is
// not of the program's form (a pattern also matches short names), never
// what a link leads to.
TEST(LandingFolder, TheSweepRemovesAKilledRunsWholeAndNothingElse) {
  TestFolder folder;
  Leftover(folder, L"vek4242-1.tmp", "half a copy");
  Leftover(folder, L"vek4242-2.tmp", "");
  // As the shell left a folder that it copied in place of a file.
  const std::wstring tree = Leftover(folder, L"vek4242-3.tmp", "") + L"\\libxslt.dll";
  ASSERT_TRUE(CreateDirectoryW(tree.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((tree + L"\\sub").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(tree + L"\\segredo.txt", "a") && WriteBytes(tree + L"\\sub\\outro.txt", "b"));
  SetFileAttributesW((tree + L"\\sub\\outro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  // Another instance's live landing folder, held as the program holds one.
  const std::wstring live = Leftover(folder, L"vek4343-1.tmp", "being copied");
  OwnedHandle theirs(CreateFileW(live.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(theirs);
  ASSERT_TRUE(WriteBytes(folder / L"vek4242-4.tmp", "a file, not a landing folder"));
  Leftover(folder, L"vekdados.tmpx", "short name VEKDAD~1.TMP");
  Leftover(folder, L"vek-1.tmp", "no process");
  // Links under leftovers' names, and one inside a leftover, to a victim's
  // folder and file.
  TestFolder victim;
  ASSERT_TRUE(WriteBytes(victim / L"dados.txt", "must survive"));
  const std::wstring linking = Leftover(folder, L"vek1-3.tmp", "");
  const Link links[] = {{folder / L"vek1-1.tmp", victim.Path()},
                        {folder / L"vek1-2.tmp", victim / L"dados.txt"},
                        {linking + L"\\sub", victim.Path()},
                        {linking + L"\\dados.txt", victim / L"dados.txt"}};
  for (const Link& link : links) ASSERT_TRUE(link.Made());

  Text first;
  OwnedHandle mine = MakeLandingFolder(Wide(folder.Path()), true, &first);
  ASSERT_TRUE(mine);
  EXPECT_EQ((std::vector<std::wstring>{L"vek-1.tmp", L"vek1-1.tmp", L"vek1-2.tmp", L"vek1-3.tmp",
                                       Std(first), L"vek4242-4.tmp", L"vek4343-1.tmp",
                                       L"vekdados.tmpx"}),
            Names(folder.Path()));
  EXPECT_EQ("being copied", ReadBytes(live + L"\\libxml2.dll"));
  EXPECT_EQ((std::vector<std::wstring>{L"dados.txt", L"sub"}), Names(linking))
      << "the links in a leftover stay, and it with them";
  EXPECT_EQ(std::vector<std::wstring>{L"dados.txt"}, Names(victim.Path()));
  EXPECT_EQ("must survive", ReadBytes(victim / L"dados.txt"));

  // A second one, made meanwhile, leaves the first alone too.
  Text second;
  OwnedHandle next = MakeLandingFolder(Wide(folder.Path()), true, &second);
  ASSERT_TRUE(next);
  EXPECT_NE(Std(first), Std(second));
  EXPECT_EQ(9u, Names(folder.Path()).size());

  // Each goes whole, what the shell left in it too.
  for (OwnedHandle* hold : {&mine, &next}) {
    const Text& name = hold == &mine ? first : second;
    const std::wstring path = folder / Std(name) + L"\\";
    ASSERT_TRUE(WriteBytes(path + L"midas.dll", "left after a failed copy"));
    ASSERT_TRUE(CreateDirectoryW((path + L"libxslt.dll").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(path + L"libxslt.dll\\segredo.txt", "a"));
    EXPECT_TRUE(RemoveLandingFolder(std::move(*hold), Wide(path)));
  }
  EXPECT_EQ(7u, Names(folder.Path()).size());
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

// The attributes that a placed file may have: plain ones.
bool Plain(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

constexpr DWORD kMarked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// As the installation run places a payload: the shell copies into a landing
// folder, and the copy takes its name only when it holds the carried bytes,
// with plain attributes whatever the staged file had, never from a file
// already there; a copy that differs is removed, also a read-only one.
// Without a landing folder, what differs is not kept.
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
    DWORD attributes;    // the staged file's, which its copy keeps
    Placing placing;
  } cases[] = {
      {"the payload", payload, nullptr, 0, Placing::Placed},
      {"the payload, read-only, hidden and system", payload, nullptr, kMarked, Placing::Placed},
      {"another instance's copy there", payload, "another instance's copy", 0, Placing::Refused},
      {"another file", "MZ another library", nullptr, 0, Placing::Differs},
      {"the same size, one byte off", sameSize, nullptr, 0, Placing::Differs},
      {"one byte short", payload.substr(1), nullptr, 0, Placing::Differs},
      {"another file, read-only", "MZ read-only", nullptr, FILE_ATTRIBUTE_READONLY,
       Placing::Differs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    TestFolder folder;
    const Path here = FoundFolder(Wide(folder.Path()));
    ASSERT_TRUE(WriteBytes(folder / L"libxml2.dll", c.staged));
    if (c.attributes) SetFileAttributesW((folder / L"libxml2.dll").c_str(), c.attributes);
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
    if (c.placing == Placing::Placed) {
      EXPECT_TRUE(Plain(folder / L"Destino\\libxml2.dll"));
    }

    // The shell's copy straight to the name, as where no landing folder can be made.
    ASSERT_FALSE(services.ShellCopy(here + "libxml2.dll", target + "kept.dll", &result).Raised());
    const bool same = c.staged == payload;
    EXPECT_EQ(same, services.KeepIfSame(target + "kept.dll", carried));
    EXPECT_EQ(same, services.FileExists(target + "kept.dll"));
    EXPECT_EQ(same, Plain(folder / L"Destino\\kept.dll"));
    SetFileAttributesW((folder / L"libxml2.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// The staged file goes to the shell only when it is a plain file, held so
// that it stays that file until the copy ends.
TEST(Services, AStagedFileIsHeldOnlyWhenItIsAPlainFile) {
  Application application;
  Services services(application);
  TestFolder victim;
  ASSERT_TRUE(WriteBytes(victim / L"segredo.txt", "a victim's"));
  const struct {
    const char* scenario;
    bool (*make)(const std::wstring& staged, const TestFolder& victim);
    const wchar_t* linkTo;  // or else a link to this in the victim's folder
    bool held;
  } cases[] = {
      {"a plain file",
       [](const std::wstring& staged, const TestFolder&) { return WriteBytes(staged, "MZ"); },
       nullptr, true},
      {"a plain file, read-only, hidden and system",
       [](const std::wstring& staged, const TestFolder&) {
         return WriteBytes(staged, "MZ") && SetFileAttributesW(staged.c_str(), kMarked);
       },
       nullptr, true},
      {"a folder",
       [](const std::wstring& staged, const TestFolder&) {
         return CreateDirectoryW(staged.c_str(), nullptr) != 0;
       },
       nullptr, false},
      {"a second name of another file",
       [](const std::wstring& staged, const TestFolder& other) {
         return CreateHardLinkW(staged.c_str(), (other / L"segredo.txt").c_str(), nullptr) != 0;
       },
       nullptr, false},
      {"a link to a folder", nullptr, L"", false},
      {"a link to a file", nullptr, L"segredo.txt", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    TestFolder folder;
    const std::wstring staged = folder / L"libxslt.dll";
    std::optional<Link> link;
    if (c.linkTo) link.emplace(staged, victim / c.linkTo);
    ASSERT_TRUE(link ? link->Made() : c.make(staged, victim));
    const Path here = FoundFolder(Wide(folder.Path()));
    const FileHold hold = services.HoldPlainFile(here + "libxslt.dll");
    EXPECT_EQ(c.held, hold != nullptr);
    if (!hold) continue;
    // Held: the shell copies it; no one writes, renames or deletes it.
    int result = -1;
    ASSERT_FALSE(services.ShellCopy(here + "libxslt.dll", here + "copy.dll", &result).Raised());
    EXPECT_EQ(0, result);
    EXPECT_EQ("MZ", ReadBytes(folder / L"copy.dll"));
    SetFileAttributesW(staged.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(OwnedHandle(CreateFileW(staged.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr)));
    EXPECT_FALSE(MoveFileW(staged.c_str(), (folder / L"moved.dll").c_str()));
    EXPECT_FALSE(DeleteFileW(staged.c_str()));
    services.ReleaseFile(hold);
    EXPECT_TRUE(DeleteFileW(staged.c_str()));
  }
  EXPECT_EQ("a victim's", ReadBytes(victim / L"segredo.txt"));

  // Held by another program that shares nothing: not held, and no waiting.
  TestFolder folder;
  ASSERT_TRUE(WriteBytes(folder / L"libxml2.dll", "MZ"));
  const OwnedHandle theirs(CreateFileW((folder / L"libxml2.dll").c_str(), GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(theirs);
  EXPECT_EQ(nullptr, services.HoldPlainFile(FoundFolder(Wide(folder.Path())) + "libxml2.dll"));
}

namespace {

// Closes the handle it is given after half a second, as a virus scanner
// lets a new file go once it has read it.
DWORD WINAPI LetGoSoon(void* file) {
  Sleep(500);
  CloseHandle(file);
  return 0;
}

}  // namespace

// A copy that another program holds a moment is placed once it lets go; one
// held for good is refused after a few seconds, stays in its landing folder,
// and goes with the next sweep once let go.
TEST(LandingFolder, ACopyHeldAMomentIsPlacedOneHeldForGoodIsRefused) {
  const std::string payload(70000, 'p');
  const ResourceBytes carried{reinterpret_cast<const unsigned char*>(payload.data()),
                              payload.size()};
  for (const bool forGood : {false, true}) {
    SCOPED_TRACE(forGood ? "held for good" : "held a moment");
    TestFolder folder;
    Text name;
    OwnedHandle landing = MakeLandingFolder(Wide(folder.Path()), false, &name);
    ASSERT_TRUE(landing);
    const std::wstring copy = folder / Std(name) + L"\\libxml2.dll";
    ASSERT_TRUE(WriteBytes(copy, payload));
    // Open for reading and writing, sharing all, as it must be to open
    // beside the shell's own copy.
    HANDLE theirs = CreateFileW(copy.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, theirs);
    const OwnedHandle letGo(forGood ? nullptr : CreateThread(nullptr, 0, LetGoSoon, theirs, 0, nullptr));
    const DWORD start = GetTickCount();
    const Placing placing = PlaceIfSame(Wide(copy), Wide(folder / L"libxml2.dll"), carried);
    const DWORD error = GetLastError();
    const DWORD took = GetTickCount() - start;
    EXPECT_EQ(forGood ? Placing::Refused : Placing::Placed, placing);
    EXPECT_EQ(forGood ? "" : payload, ReadBytes(folder / L"libxml2.dll"));
    if (!forGood) {
      WaitForSingleObject(letGo.Get(), INFINITE);
      continue;
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), error);
    EXPECT_LE(3150u, took) << "tried again for a few seconds";
    EXPECT_FALSE(RemoveLandingFolder(std::move(landing), Wide(folder / Std(name) + L"\\")));
    CloseHandle(theirs);
    Text next;
    EXPECT_TRUE(MakeLandingFolder(Wide(folder.Path()), true, &next));
    EXPECT_EQ(std::vector<std::wstring>{Std(next)}, Names(folder.Path())) << "the first swept";
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
