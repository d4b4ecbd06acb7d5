#include <gtest/gtest.h>

#include <algorithm>
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
    fake.folders = {"D:\\Setup\\", "C:\\Windows\\SysWOW64\\"};
    fake.events = &form;
    for (const char* nome : kPayloads) fake.resources[NomeDoRecurso(nome).CStr()] = "MZ";
    EXPECT_FALSE(form.FormShow().Raised());
    fake.journal.clear();
  }

  static std::string Target(const char* file) {
    return std::string("C:\\Windows\\SysWOW64\\") + file;
  }
  // Where the shell's copy lands before it takes its name.
  static std::string Landed(const char* file) {
    return std::string("C:\\Windows\\SysWOW64\\vek.tmp\\") + file;
  }

  // The journal without the work on files: what the user sees, in order.
  Journal Screen() const {
    static const char* const kFileWork[] = {"WriteWholeFile", "ShellCopy", "CreateFolder",
                                            "MakeLandingFolder", "RemoveLandingFolder",
                                            "PlaceIfSame", "KeepIfSame"};
    Journal seen;
    for (const std::string& entry : fake.journal) {
      bool fileWork = false;
      for (const char* prefix : kFileWork) fileWork = fileWork || entry.rfind(prefix, 0) == 0;
      if (!fileWork) seen.push_back(entry);
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
  std::string nome = kPayloads[n - 1];
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

  for (const char* nome : kPayloads) EXPECT_TRUE(fake.files.count(Target(nome))) << nome;
  EXPECT_EQ(7u, fake.Entries("ShellCopy").size());
  EXPECT_EQ((Journal{"ShellCopy D:\\Setup\\Dlls\\libxml2.dll -> " + Landed("libxml2.dll"),
                     "PlaceIfSame " + Landed("libxml2.dll") + " -> " + Target("libxml2.dll")}),
            (Journal{fake.Entries("ShellCopy")[0], fake.Entries("PlaceIfSame")[0]}));
  EXPECT_EQ(0, fake.landingsHeld) << "every landing folder removed";
}

TEST_F(BtnOkClickTest, FilesAlreadyInTheTargetAreNeverCopiedButStillPauseOneSecondEach) {
  for (const char* nome : kPayloads) fake.files[Target(nome)] = "an older version";
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

  Journal textos;
  for (const FakePlatform::Box& box : fake.boxes) {
    textos.push_back(box.text);
    EXPECT_TRUE(box.painted) << box.text;
    EXPECT_EQ(0u, box.shown.count(PnlAguarde)) << "the panel is hidden behind " << box.text;
  }
  EXPECT_EQ((Journal{Aviso(Nome(2)), Aviso(Nome(7)), kConselho}), textos);
  // The run went on after each warning: every other file arrived.
  for (std::size_t n = 1; n <= kPayloadCount; ++n) {
    EXPECT_EQ(n != 2 && n != 7, fake.files.count(Target(kPayloads[n - 1])) > 0) << Nome(n);
  }
  // The window stays open and idle, the focus on the install button.
  EXPECT_TRUE(fake.Entries("CloseForm").empty());
  EXPECT_FALSE(fake.visible[PnlAguarde]);
  EXPECT_EQ("AGUARDE ...", fake.texts[PnlAguarde]);
  EXPECT_TRUE(fake.enabled[BtnOk]);
  EXPECT_TRUE(fake.enabled[BtnSair]);
  EXPECT_EQ(BtnOk, fake.focus);
}

TEST_F(BtnOkClickTest, ASecondRunAfterFailuresCopiesOnlyWhatIsStillMissing) {
  fake.refusedTargets = {Target("midas.dll")};
  ASSERT_FALSE(form.BtnOkClick().Raised());
  fake.refusedTargets.clear();
  fake.journal.clear();

  ASSERT_FALSE(form.BtnOkClick().Raised());
  EXPECT_TRUE(fake.Entries("WriteWholeFile").empty()) << "the staging copies exist";
  EXPECT_EQ((Journal{"ShellCopy D:\\Setup\\Dlls\\midas.dll -> " + Landed("midas.dll")}),
            fake.Entries("ShellCopy"));
  EXPECT_EQ((Journal{kSucesso}), fake.Entries("MessageBox"));
}

TEST_F(BtnOkClickTest, TheMakersMachineCopiesIntoTheTestFolder) {
  FakePlatform machine;
  machine.computerName = " vek-note ";
  machine.folders = {"D:\\Setup\\"};
  for (const char* nome : kPayloads) machine.resources[NomeDoRecurso(nome).CStr()] = "MZ";
  TFrmPrincipal frm(machine, machine);
  machine.events = &frm;
  ASSERT_FALSE(frm.FormShow().Raised());
  ASSERT_FALSE(frm.BtnOkClick().Raised());
  // The run never makes the test folder: the shell's first copy does, to
  // the name itself, and the copies after it land first.
  EXPECT_TRUE(machine.Entries("CreateFolder C:").empty());
  EXPECT_EQ("ShellCopy D:\\Setup\\Dlls\\libxml2.dll -> C:\\DllsTeste\\libxml2.dll",
            machine.Entries("ShellCopy").front());
  EXPECT_EQ("PlaceIfSame C:\\DllsTeste\\vek.tmp\\iconv.dll -> C:\\DllsTeste\\iconv.dll",
            machine.Entries("PlaceIfSame").back());
  EXPECT_EQ(7u, machine.files.count("C:\\DllsTeste\\libxml2.dll") +
                    machine.Entries("PlaceIfSame").size());
}

// A name in the target folder only ever holds a complete copy of the bytes
// that the executable carries. Each row scripts what happens to the copy of
// libxmlsec.dll (or to every copy).
TEST_F(BtnOkClickTest, ACopyTakesItsNameOnlyWhenItIsThePayloadAndNeverReplacesAFile) {
  struct Case {
    const char* scenario;
    void (*setUp)(FakePlatform&);
    std::vector<std::size_t> warned;  // the payloads reported as not copied
    bool direct;                      // the shell copied to the name itself
    int errorBoxes;                   // the copy routine's own boxes
  };
  static const std::string kName = Target("libxmlsec.dll");
  static const std::string kSystem = "C:\\Windows\\SysWOW64\\";
  const Case cases[] = {
      {"copy complete: placed by its rename", [](FakePlatform&) {}, {}, false, 0},
      {"the shell reports a failure", [](FakePlatform& f) { f.shellCopyResult = 1223; },
       {1, 2, 3, 4, 5, 6, 7}, false, 0},
      {"the copy comes out short: made again from the carried bytes",
       [](FakePlatform& f) { f.shortTargets = {Landed("libxmlsec.dll")}; }, {}, false, 0},
      {"the copy comes out short, and so does the second (a full disk)",
       [](FakePlatform& f) {
         f.shortTargets = {Landed("libxmlsec.dll")};
         f.writeOutcomes[Landed("libxmlsec.dll")] = WriteResult::Outcome::WriteFailed;
       },
       {2}, false, 0},
      {"the staged file is not the payload (planted, swapped, an older release's)",
       [](FakePlatform& f) { f.files["D:\\Setup\\Dlls\\libxmlsec.dll"] = "XY"; }, {}, false,
       0},
      {"another instance placed it meanwhile: theirs counts",
       [](FakePlatform& f) { f.placedMeanwhile = {kName}; }, {}, false, 0},
      {"a folder of that name in the target",
       [](FakePlatform& f) { f.refusedTargets = {kName}; }, {2}, false, 0},
      {"no landing folder (no rights): the shell copies to the name",
       [](FakePlatform& f) { f.refusedLandings = {kSystem}; }, {}, true, 0},
      {"no landing folder, and the staged file is not the payload: not left under the name",
       [](FakePlatform& f) {
         f.refusedLandings = {kSystem};
         f.files["D:\\Setup\\Dlls\\libxmlsec.dll"] = "XY";
       },
       {2}, true, 0},
      {"no landing folder, and the shell's copy refused too",
       [](FakePlatform& f) {
         f.refusedLandings = {kSystem};
         f.refusedTargets = {kName};
       },
       {2}, true, 0},
      {"the request cannot be made: the box names the target",
       [](FakePlatform& f) { f.shellCopyFailure = "Cannot load shell32.dll"; },
       {1, 2, 3, 4, 5, 6, 7}, false, 7},
  };
  for (const Case& c : cases) {
    FakePlatform machine;
    machine.folders = {"D:\\Setup\\", kSystem};
    for (const char* nome : kPayloads) machine.resources[NomeDoRecurso(nome).CStr()] = "MZ";
    TFrmPrincipal frm(machine, machine);
    machine.events = &frm;
    ASSERT_FALSE(frm.FormShow().Raised());
    c.setUp(machine);
    ASSERT_FALSE(frm.BtnOkClick().Raised()) << c.scenario;

    Journal warnings;
    for (std::size_t n : c.warned) warnings.push_back(Aviso(Nome(n)));
    EXPECT_EQ(warnings, machine.Entries("MessageBox 48 " + kCaixa + "N")) << c.scenario;
    EXPECT_EQ(c.warned.empty() ? kSucesso : kConselho, machine.Entries("MessageBox").back())
        << c.scenario;
    const std::string copy = "ShellCopy D:\\Setup\\Dlls\\libxmlsec.dll -> ";
    EXPECT_EQ(Journal{copy + (c.direct ? kName : Landed("libxmlsec.dll"))}, machine.Entries(copy))
        << c.scenario;
    const Journal boxes = machine.Entries("MessageBox 16");
    EXPECT_EQ(static_cast<std::size_t>(c.errorBoxes), boxes.size()) << c.scenario;
    if (!boxes.empty()) {
      EXPECT_NE(std::string::npos, boxes[0].find("Arq Destino: " + Target("libxml2.dll") + "\r\n"))
          << c.scenario;
    }
    for (std::size_t n = 1; n <= kPayloadCount; ++n) {
      const bool warned = std::count(c.warned.begin(), c.warned.end(), n) > 0;
      const auto placed = machine.files.find(Target(kPayloads[n - 1]));
      EXPECT_EQ(!warned, placed != machine.files.end()) << c.scenario << ": " << kPayloads[n - 1];
      if (placed != machine.files.end()) {
        EXPECT_EQ("MZ", placed->second) << c.scenario << ": only the carried bytes are placed";
      }
    }
    EXPECT_EQ(0, machine.landingsHeld) << c.scenario << ": every landing folder removed";
    for (const auto& [file, bytes] : machine.files) {
      EXPECT_EQ(std::string::npos, file.find("vek.tmp")) << c.scenario << ": " << file << " left";
    }
  }
}

TEST_F(BtnOkClickTest, AnExtractionFailureLeavesTheWindowBroken) {
  fake.resources.erase("libxml2dll");
  const Failure falha = form.BtnOkClick();
  ASSERT_TRUE(falha.Raised());
  EXPECT_EQ("Resource libxml2dll not found", Str(falha.Message()));
  // No message of the run's own, nothing copied; the panel stays shown on
  // top of both disabled buttons.
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_TRUE(fake.Entries("ShellCopy").empty());
  EXPECT_FALSE(fake.enabled[BtnOk]);
  EXPECT_FALSE(fake.enabled[BtnSair]);
  EXPECT_TRUE(fake.visible[PnlAguarde]);
  EXPECT_EQ(PnlAguarde, fake.top);
  EXPECT_FALSE(fake.unpainted);

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
