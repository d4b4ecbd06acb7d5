#include <gtest/gtest.h>

#include "app/UntPrincipal.h"
#include "app/payload/Payloads.h"
#include "tests/unit/FakePlatform.h"

namespace vek::test {

using Journal = std::vector<std::string>;

// The resource names under which the build stores the payloads, in list
// order, spelled out: the program must derive the same ones.
const char* const kRecursos[] = {"libxml2dll", "libxmlsecdll", "libxmlsecopenssldll", "libxsltdll",
                                 "midasdll",   "zlib1dll",     "iconvdll"};
static_assert(sizeof kRecursos / sizeof kRecursos[0] == kPayloadCount);

// A machine whose executable lies in D:\Setup\ and carries all seven payloads;
// FormShow has run, so PastaDlls is D:\Setup\Dlls\.
class SalvarDllsTest : public ::testing::Test {
 protected:
  SalvarDllsTest() {
    fake.folders = {"D:\\Setup\\"};
    for (std::size_t i = 0; i < kPayloadCount; ++i) {
      fake.resources[kRecursos[i]] = std::string("bytes of ") + kPayloads[i];
    }
    EXPECT_FALSE(form.FormShow().Raised());
    fake.journal.clear();
  }

  static std::string Staged(const char* file) { return std::string("D:\\Setup\\Dlls\\") + file; }

  FakePlatform fake;
  TFrmPrincipal form{fake, fake};
};

TEST_F(SalvarDllsTest, WritesEveryPayloadInTableOrderWithItsOwnBytes) {
  ASSERT_FALSE(form.SalvarDlls().Raised());
  Journal expected;
  for (const char* nome : kPayloads) expected.push_back("WriteWholeFile " + Staged(nome));
  EXPECT_EQ(expected, fake.journal);
  EXPECT_EQ("bytes of libxmlsec-openssl.dll", fake.written[Staged("libxmlsec-openssl.dll")]);
  EXPECT_EQ("bytes of iconv.dll", fake.written[Staged("iconv.dll")]);
}

TEST_F(SalvarDllsTest, StagedFilesAreLeftAsTheyAreWhateverTheirContent) {
  // A zero-length or damaged midas.dll stays, and so do the others present.
  fake.files = {{Staged("midas.dll"), ""}, {Staged("zlib1.dll"), "damaged"}};
  ASSERT_FALSE(form.SalvarDlls().Raised());
  EXPECT_EQ(0u, fake.written.count(Staged("midas.dll")));
  EXPECT_EQ(0u, fake.written.count(Staged("zlib1.dll")));
  EXPECT_EQ(5u, fake.written.size());

  fake.journal.clear();
  ASSERT_FALSE(form.SalvarDlls().Raised());
  EXPECT_TRUE(fake.journal.empty()) << "all seven staged: nothing is read or written";
}

TEST_F(SalvarDllsTest, AMissingResourceIsNamedInLowerCase) {
  fake.resources.erase("libxsltdll");
  const Failure falha = form.SalvarDlls();
  ASSERT_TRUE(falha.Raised());
  EXPECT_EQ("Resource libxsltdll not found", Str(falha.Message()));
  EXPECT_EQ(3u, fake.written.size()) << "the payloads before it stay written";
  EXPECT_EQ(0u, fake.written.count(Staged("midas.dll"))) << "nothing after it";
}

TEST_F(SalvarDllsTest, AFileThatCannotBeCreatedGivesItsFullPathAndTheSystemsReason) {
  fake.writeOutcomes[Staged("libxml2.dll")] = WriteResult::Outcome::CannotCreate;
  fake.writeFailureReason = "The system cannot find the path specified. \r\n";
  const Failure falha = form.SalvarDlls();
  ASSERT_TRUE(falha.Raised());
  EXPECT_EQ("Cannot create file \"D:\\Setup\\Dlls\\libxml2.dll\". "
            "The system cannot find the path specified",
            Str(falha.Message()));
  EXPECT_TRUE(fake.written.empty());
}

TEST_F(SalvarDllsTest, AWriteThatFailsPartWayIsAStreamWriteError) {
  fake.writeOutcomes[Staged("libxmlsec.dll")] = WriteResult::Outcome::WriteFailed;
  const Failure falha = form.SalvarDlls();
  ASSERT_TRUE(falha.Raised());
  EXPECT_EQ("Stream write error", Str(falha.Message()));
  EXPECT_EQ(1u, fake.written.size());
  EXPECT_FALSE(fake.files.count(Staged("libxmlsec.dll"))) << "no partial file under its name";
}

TEST_F(SalvarDllsTest, AFilePlacedMeanwhileByAnotherInstanceIsKept) {
  fake.writeOutcomes[Staged("libxml2.dll")] = WriteResult::Outcome::KeptExisting;
  EXPECT_FALSE(form.SalvarDlls().Raised());
  EXPECT_EQ(6u, fake.written.size());
}

}  // namespace vek::test
