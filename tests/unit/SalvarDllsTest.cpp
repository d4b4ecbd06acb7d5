#include <gtest/gtest.h>

#include "app/payload/Payloads.h"
#include "app/payload/SalvarDlls.h"
#include "tests/unit/FakePlatform.h"

namespace vek::test {

// A machine whose executable carries all seven payloads, each with bytes of
// its own; the staging folder D:\Setup\Dlls\ exists.
struct Carried : FakePlatform {
  Carried() {
    folders = {"D:\\Setup\\", "D:\\Setup\\Dlls\\"};
    for (const Payload& payload : kPayloads) {
      resources[payload.resourceName] = std::string("bytes of ") + payload.fileName;
    }
  }
  Failure Salvar() { return SalvarDlls(*this, P("D:\\Setup\\Dlls\\")); }
};

TEST(SalvarDlls, WritesEveryPayloadInTableOrderWithItsOwnBytes) {
  Carried fake;
  ASSERT_FALSE(fake.Salvar().Raised());
  ASSERT_EQ(2 * kPayloadCount, fake.paths.size()) << "each looked for, then written";
  for (std::size_t i = 0; i < kPayloadCount; ++i) {
    const char* file = kPayloads[i].fileName;
    EXPECT_EQ(Staged(file), Str(fake.paths[2 * i + 1]));
    EXPECT_EQ(std::string("bytes of ") + file, fake.written[Staged(file)]);
  }
}

TEST(SalvarDlls, StagedFilesAreLeftAsTheyAreWhateverTheirContent) {
  // A zero-length or damaged midas.dll stays, and so do the others present.
  Carried fake;
  fake.files = {{Staged("midas.dll"), ""}, {Staged("zlib1.dll"), "damaged"}};
  ASSERT_FALSE(fake.Salvar().Raised());
  EXPECT_EQ("", fake.files[Staged("midas.dll")]);
  EXPECT_EQ("damaged", fake.files[Staged("zlib1.dll")]);
  EXPECT_EQ(5u, fake.written.size());

  fake.written.clear();
  ASSERT_FALSE(fake.Salvar().Raised());
  EXPECT_TRUE(fake.written.empty()) << "all seven staged: nothing is written";
}

// Each row breaks one payload's extraction: the failure's text, and how
// many payloads are written (those before it stay; nothing after it).
TEST(SalvarDlls, AFailureNamesItsCauseAndKeepsWhatWasWrittenBefore) {
  struct Case {
    const char* scenario;
    void (*setUp)(Carried&);
    const char* failure;  // nullptr: no failure
    std::size_t written;
  };
  const Case cases[] = {
      {"a missing resource is named in lower case",
       [](Carried& f) { f.resources.erase("libxsltdll"); }, "Resource libxsltdll not found", 3},
      {"a file that cannot be created: its full path and the system's reason",
       [](Carried& f) {
         f.writeOutcomes[Staged("libxml2.dll")] = WriteResult::Outcome::CannotCreate;
         f.writeFailureReason = "The system cannot find the path specified. \r\n";
       },
       "Cannot create file \"D:\\Setup\\Dlls\\libxml2.dll\". "
       "The system cannot find the path specified",
       0},
      {"a write that fails part way",
       [](Carried& f) {
         f.writeOutcomes[Staged("libxmlsec.dll")] = WriteResult::Outcome::WriteFailed;
       },
       "Stream write error", 1},
      {"a file placed meanwhile by another instance is kept",
       [](Carried& f) {
         f.writeOutcomes[Staged("libxml2.dll")] = WriteResult::Outcome::KeptExisting;
       },
       nullptr, 6},
  };
  for (const Case& c : cases) {
    Carried fake;
    c.setUp(fake);
    const Failure falha = fake.Salvar();
    EXPECT_EQ(c.failure != nullptr, falha.Raised()) << c.scenario;
    if (c.failure) {
      EXPECT_EQ(c.failure, Str(falha.Message())) << c.scenario;
    }
    EXPECT_EQ(c.written, fake.written.size()) << c.scenario;
  }
}

}  // namespace vek::test
