// The whole-file writer against the real file system, in a temporary folder.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "platform/win32/files/WholeFile.h"
#include "platform/win32/process/SystemError.h"
#include "tests/win32/TestFolder.h"

namespace vek::win32::test {

namespace {

using Outcome = WriteResult::Outcome;

WriteResult Write(const std::wstring& path, const std::string& bytes) {
  return WriteWholeFile(Wide(path), Text("shown"),
                        reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// The bytes of a payload of `size` bytes, not all alike.
std::string Payload(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + i / 4096) % 251);
  return bytes;
}

// A temporary file as a writer of another instance leaves it.
std::wstring TemporaryName(DWORD process, int n) {
  return L"vek" + std::to_wstring(process) + L"-" + std::to_wstring(n) + L".tmp";
}

}  // namespace

// The complete file and nothing else; a file already under the name (another
// instance's) is kept as it is.
TEST(WholeFile, WritesTheCompleteFileOrKeepsOneThereAndLeavesNothingElse) {
  for (const std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(5000),
                                 2 * kWriteChunk + 12345}) {
    for (const bool theirs : {false, true}) {
      TestFolder folder;
      ASSERT_TRUE(!theirs || WriteBytes(folder / L"libxml2.dll", "theirs"));
      const std::string bytes = Payload(size);
      const WriteResult result = Write(folder / L"libxml2.dll", bytes);
      EXPECT_EQ(theirs ? Outcome::KeptExisting : Outcome::Written, result.outcome) << size;
      EXPECT_EQ(Text("shown"), result.fullPath);
      EXPECT_EQ(theirs ? "theirs" : bytes, ReadBytes(folder / L"libxml2.dll")) << size;
      EXPECT_EQ(std::vector<std::wstring>{L"libxml2.dll"}, Names(folder.Path())) << size;
    }
  }
}

TEST(WholeFile, FailuresSayWhyAndLeaveNothingBehind) {
  const struct {
    const char* scenario;
    const wchar_t* setUpFolder;  // a folder made under the payload's name first, or null
    const wchar_t* path;         // under the test folder
    DWORD error;
  } cases[] = {
      {"a folder of that name", L"iconv.dll", L"iconv.dll", ERROR_ACCESS_DENIED},
      {"the staging folder is missing", nullptr, L"Dlls\\iconv.dll", ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : cases) {
    TestFolder folder;
    if (c.setUpFolder) {
      ASSERT_TRUE(CreateDirectoryW((folder / c.setUpFolder).c_str(), nullptr));
    }
    const std::vector<std::wstring> before = Names(folder.Path());
    SetLastError(0);
    const WriteResult result = Write(folder / c.path, Payload(100));
    // Kept across the clean-up, for a caller that asks Windows.
    const DWORD lastError = GetLastError();
    EXPECT_EQ(Outcome::CannotCreate, result.outcome) << c.scenario;
    EXPECT_EQ(ErrorDescription(c.error), result.reason) << c.scenario;
    EXPECT_FALSE(result.reason.Empty()) << c.scenario;
    EXPECT_EQ(c.error, lastError) << c.scenario;
    EXPECT_EQ(before, Names(folder.Path())) << c.scenario;
  }
}

// Only plain files whose long names are of the program's form go: not a
// live writer's, not another name that the pattern matches (by its short
// name too), never a link or what it leads to.
TEST(WholeFile, LeftoversOfAKilledWriterAreRemovedAndNothingElse) {
  TestFolder folder;
  ASSERT_TRUE(WriteBytes(folder / TemporaryName(4242, 1), "half of a dead writer's"));
  ASSERT_TRUE(WriteBytes(folder / TemporaryName(4242, 2), ""));
  SetFileAttributesW((folder / TemporaryName(4242, 2)).c_str(), FILE_ATTRIBUTE_READONLY);
  // A live writer holds its temporary file open without sharing.
  HANDLE live = CreateFileW((folder / TemporaryName(4343, 1)).c_str(), GENERIC_READ | GENERIC_WRITE,
                            0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, live);
  const std::vector<std::wstring> others = {L"vek-1.tmp", L"vekdados.tmpx", L"vekdados.txt"};
  for (const std::wstring& name : others) ASSERT_TRUE(WriteBytes(folder / name, "not ours"));
  TestFolder victim;
  ASSERT_TRUE(WriteBytes(victim / L"dados.txt", "must survive"));
  const Link link(folder / TemporaryName(1, 1), victim / L"dados.txt");
  ASSERT_TRUE(link.Made());

  EXPECT_EQ(Outcome::Written, Write(folder / L"zlib1.dll", Payload(10)).outcome);
  CloseHandle(live);
  EXPECT_EQ((std::vector<std::wstring>{L"vek-1.tmp", TemporaryName(1, 1), TemporaryName(4343, 1),
                                       L"vekdados.tmpx", L"vekdados.txt", L"zlib1.dll"}),
            Names(folder.Path()));
  EXPECT_EQ("must survive", ReadBytes(victim / L"dados.txt"));
}

// Another instance removes leftovers before each of its writes, at any
// moment of this one's. Here a second thread does it all the time: no write
// may lose its temporary file on the way to its name.
TEST(WholeFile, AnotherInstanceSweepingMeanwhileNeverBreaksAWrite) {
  TestFolder folder;
  std::atomic<int> removed{0};
  Meanwhile sweep([&] {
    for (const std::wstring& name : Names(folder.Path(), L"vek*.tmp")) {
      if (DeleteFileW((folder / name).c_str())) ++removed;
    }
  });
  const std::string bytes = Payload(20000);
  int failed = 0;
  for (int i = 0; i < 200; ++i) {
    const std::wstring name = L"payload" + std::to_wstring(i) + L".dll";
    const WriteResult result = Write(folder / name, bytes);
    if (result.outcome != Outcome::Written || ReadBytes(folder / name) != bytes) ++failed;
  }
  ASSERT_TRUE(sweep.Stop());
  EXPECT_EQ(0, failed) << "writes broken by the other instance's sweep";
  EXPECT_EQ(0, removed.load()) << "temporary files deleted while their writer lived";
}

}  // namespace vek::win32::test
