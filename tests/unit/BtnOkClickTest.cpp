#include <gtest/gtest.h>

#include <cctype>

#include "app/LayoutPrincipal.h"
#include "app/UntPrincipal.h"
#include "app/payload/Payloads.h"
#include "tests/unit/FakePlatform.h"

namespace vek::test {

using Journal = std::vector<std::string>;

const std::string kCaixa = "[VEK INFORM\xC1TICA] ";
const std::string kSucesso = "MessageBox 64 " + kCaixa + "Arquivos copiados com \xEAxito !";
const std::string kConselho = "MessageBox 48 " + kCaixa +
                              "Alguns arquivos n\xE3o foram copiados.\r\nTente executar como administrador.";

std::string Aviso(const std::string& nome) {
  return "MessageBox 48 " + kCaixa + "N\xE3o foi possivel copiar o arquivo:\r\n\r\n" + nome;
}

// 64-bit Windows, executable in D:\Setup\, all seven payloads carried, the
// window shown and idle.
class BtnOkClickTest : public ::testing::Test {
 protected:
  BtnOkClickTest() {
    fake.folders = {"D:\\Setup\\"};
    fake.events = &form;
    for (const Payload& payload : kPayloads) fake.resources[payload.resourceName] = "MZ";
    EXPECT_FALSE(form.FormShow().Raised());
    fake.journal.clear();
  }

  static std::string Target(const char* file) {
    return std::string("C:\\Windows\\SysWOW64\\") + file;
  }

  // The journal without the extraction's writes and the copies.
  Journal Screen() const {
    Journal seen;
    for (const std::string& entry : fake.journal) {
      if (entry.rfind("WriteWholeFile", 0) != 0 && entry.rfind("ShellCopy", 0) != 0) {
        seen.push_back(entry);
      }
    }
    return seen;
  }

  FakePlatform fake;
  TFrmPrincipal form{fake, fake};
};

const std::string kPainel = std::to_string(PnlAguarde);
const std::string kOk = std::to_string(BtnOk);
const std::string kSair = std::to_string(BtnSair);

Journal Mostra(bool mostrar) {
  return {"SetVisible " + kPainel + (mostrar ? " 1" : " 0"), "BringToFront " + kPainel,
          "ProcessMessages"};
}

void Append(Journal* journal, const Journal& more) {
  journal->insert(journal->end(), more.begin(), more.end());
}

Journal Inicio() {
  Journal expected = {"SetEnabled " + kOk + " 0", "SetEnabled " + kSair + " 0"};
  Append(&expected, Mostra(true));
  return expected;
}

Journal Progresso(std::size_t n, const std::string& nome) {
  Journal expected = {"SetText " + kPainel + " " + std::to_string(n) + " / 7  [ " + nome + " ]"};
  Append(&expected, Mostra(true));
  expected.push_back("Pause 1000");
  return expected;
}

Journal Resumo() {
  Journal expected = {"SetEnabled " + kOk + " 1", "SetEnabled " + kSair + " 1",
                      "SetText " + kPainel + " AGUARDE ..."};
  Append(&expected, Mostra(false));
  return expected;
}

// The name on the wait panel and in the warnings: the file name in capitals.
std::string Nome(std::size_t n) {
  std::string nome = kPayloads[n - 1].fileName;
  for (char& c : nome) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return nome;
}

TEST_F(BtnOkClickTest, ACompleteRunShowsEachFileThenSucceedsAndPressesExit) {
  ASSERT_FALSE(form.BtnOkClick().Raised());

  Journal expected = Inicio();
  for (std::size_t n = 1; n <= kPayloadCount; ++n) Append(&expected, Progresso(n, Nome(n)));
  Append(&expected, Resumo());
  Append(&expected, {kSucesso, "Press " + kSair, "CloseForm"});
  EXPECT_EQ(expected, Screen());

  for (const Payload& payload : kPayloads) {
    EXPECT_TRUE(fake.files.count(Target(payload.fileName))) << payload.fileName;
  }
  EXPECT_EQ(7u, fake.Entries("ShellCopy").size());
  EXPECT_EQ("ShellCopy D:\\Setup\\Dlls\\libxml2.dll -> C:\\Windows\\SysWOW64\\libxml2.dll",
            fake.Entries("ShellCopy")[0]);
}

TEST_F(BtnOkClickTest, FilesAlreadyInTheTargetAreNeverCopiedButStillPauseOneSecondEach) {
  for (const Payload& payload : kPayloads) fake.files.insert(Target(payload.fileName));
  ASSERT_FALSE(form.BtnOkClick().Raised());
  EXPECT_TRUE(fake.Entries("ShellCopy").empty());
  EXPECT_EQ(7u, fake.Entries("Pause 1000").size());
  EXPECT_EQ(7u, fake.Entries("SetText " + kPainel + " ").size() - 1) << "seven progress texts";
  EXPECT_EQ((Journal{kSucesso}), fake.Entries("MessageBox"));
  EXPECT_EQ(1u, fake.Entries("CloseForm").size());
}

TEST_F(BtnOkClickTest, RefusedFilesAreReportedOneByOneThenTheAdviceAndFocusOnInstall) {
  fake.refusedTargets = {Target("libxmlsec.dll"), Target("iconv.dll")};
  ASSERT_FALSE(form.BtnOkClick().Raised());

  Journal expected = Inicio();
  for (std::size_t n = 1; n <= kPayloadCount; ++n) {
    Append(&expected, Progresso(n, Nome(n)));
    if (n == 2 || n == 7) {
      // The panel is hidden while the message is open, then shown again.
      Append(&expected, Mostra(false));
      expected.push_back(Aviso(Nome(n)));
      Append(&expected, Mostra(true));
    }
  }
  Append(&expected, Resumo());
  Append(&expected, {kConselho, "Focus " + kOk});
  EXPECT_EQ(expected, Screen());
  EXPECT_TRUE(fake.Entries("CloseForm").empty()) << "the window stays open";
  EXPECT_FALSE(fake.visible[PnlAguarde]);
  EXPECT_TRUE(fake.enabled[BtnOk]);
  EXPECT_TRUE(fake.enabled[BtnSair]);
}

TEST_F(BtnOkClickTest, ASecondRunAfterFailuresCopiesOnlyWhatIsStillMissing) {
  fake.refusedTargets = {Target("midas.dll")};
  ASSERT_FALSE(form.BtnOkClick().Raised());
  fake.refusedTargets.clear();
  fake.journal.clear();

  ASSERT_FALSE(form.BtnOkClick().Raised());
  EXPECT_TRUE(fake.Entries("WriteWholeFile").empty()) << "the staging copies exist";
  EXPECT_EQ((Journal{"ShellCopy D:\\Setup\\Dlls\\midas.dll -> C:\\Windows\\SysWOW64\\midas.dll"}),
            fake.Entries("ShellCopy"));
  EXPECT_EQ((Journal{kSucesso}), fake.Entries("MessageBox"));
}

TEST_F(BtnOkClickTest, TheMakersMachineCopiesIntoTheTestFolder) {
  FakePlatform machine;
  machine.computerName = " vek-note ";
  machine.folders = {"D:\\Setup\\"};
  for (const Payload& payload : kPayloads) machine.resources[payload.resourceName] = "MZ";
  TFrmPrincipal frm(machine, machine);
  machine.events = &frm;
  ASSERT_FALSE(frm.FormShow().Raised());
  ASSERT_FALSE(frm.BtnOkClick().Raised());
  EXPECT_EQ("ShellCopy D:\\Setup\\Dlls\\iconv.dll -> C:\\DllsTeste\\iconv.dll",
            machine.Entries("ShellCopy").back());
}

TEST_F(BtnOkClickTest, AnExtractionFailureLeavesTheWindowBroken) {
  fake.resources.erase("libxml2dll");
  const Failure falha = form.BtnOkClick();
  ASSERT_TRUE(falha.Raised());
  EXPECT_EQ("Resource libxml2dll not found", Str(falha.Message()));
  EXPECT_EQ(Inicio(), Screen()) << "no progress, no message, no summary";
  EXPECT_FALSE(fake.enabled[BtnOk]);
  EXPECT_FALSE(fake.enabled[BtnSair]);
  EXPECT_TRUE(fake.visible[PnlAguarde]);

  fake.journal.clear();
  EXPECT_FALSE(form.BtnOkClick().Raised());
  EXPECT_TRUE(fake.journal.empty()) << "the guard refuses any further run";
}

TEST_F(BtnOkClickTest, TheInstallButtonDoesNothingWhileThePanelIsVisible) {
  fake.visible[PnlAguarde] = true;
  EXPECT_FALSE(form.OnClick(BtnOk).Raised());
  EXPECT_TRUE(fake.journal.empty());
}

}  // namespace vek::test
