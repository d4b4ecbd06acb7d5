#include <gtest/gtest.h>

#include "app/UntPrincipal.h"
#include "app/payload/Payloads.h"
#include "tests/unit/FakePlatform.h"

namespace vek::test {

using Journal = std::vector<std::string>;

// A machine whose executable lies in D:\Setup\ and carries all seven payloads;
// FormShow has run, so PastaDlls is D:\Setup\Dlls\.
class SalvarDllsTest : public ::testing::Test {
 protected:
  SalvarDllsTest() {
    fake.folders = {"D:\\Setup\\"};
    for (const Payload& payload : kPayloads) {
      fake.resources[payload.resourceName] = std::string("bytes of ") + payload.fileName;
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
  for (const Payload& payload : kPayloads) expected.push_back("WriteWholeFile " + Staged(payload.fileName));
  EXPECT_EQ(expected, fake.journal);
  EXPECT_EQ("bytes of libxmlsec-openssl.dll", fake.written[Staged("libxmlsec-openssl.dll")]);
  EXPECT_EQ("bytes of iconv.dll", fake.written[Staged("iconv.dll")]);
}

TEST_F(SalvarDllsTest, StagedFilesAreLeftAsTheyAreWhateverTheirContent) {
  // A zero-length or damaged midas.dll stays, and so do the others present.
  fake.files = {Staged("midas.dll"), Staged("zlib1.dll")};
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
