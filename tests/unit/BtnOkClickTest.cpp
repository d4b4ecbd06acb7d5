#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "app/LayoutPrincipal.h"
#include "app/UntPrincipal.h"
#include "app/payload/Payloads.h"
#include "tests/unit/FakePlatform.h"

namespace vek::test {

using Texts = std::vector<std::string>;

const std::string kCaixa = "[VEK INFORM\xC1TICA] ";
const std::string kSucesso = "64 " + kCaixa + "Arquivos copiados com \xEAxito !";
const std::string kConselho =
    "48 " + kCaixa + "Alguns arquivos n\xE3o foram copiados.\r\nTente executar como administrador.";

std::string Aviso(const std::string& nome) {
  return "48 " + kCaixa + "N\xE3o foi possivel copiar o arquivo:\r\n\r\n" + nome;
}

std::string Target(const char* file) { return std::string("C:\\Windows\\SysWOW64\\") + file; }
// Where the shell's copy lands before it takes its name.
std::string Landed(const char* file) {
  return std::string("C:\\Windows\\SysWOW64\\vek.tmp\\") + file;
}

// The name on the wait panel and in the warnings: the file name in capitals.
std::string Nome(std::size_t n) {
  std::string nome = kPayloads[n - 1].fileName;
  for (char& c : nome) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return nome;
}

// 64-bit Windows, executable in D:\Setup\, all seven payloads carried, the
// window shown and idle.
struct Machine {
  explicit Machine(const char* name = "PC-ESCRITORIO") {
    fake.computerName = name;
    fake.folders = {"D:\\Setup\\", "C:\\Windows\\SysWOW64\\"};
    fake.events = &form;
    for (const Payload& payload : kPayloads) fake.resources[payload.resourceName] = "MZ";
    EXPECT_FALSE(form.FormShow().Raised());
  }
  FakePlatform fake;
  TFrmPrincipal form{fake, fake};
};

class BtnOkClickTest : public ::testing::Test, protected Machine {};

TEST_F(BtnOkClickTest, ACompleteRunShowsEachFileThenSucceedsAndPressesExit) {
  ASSERT_FALSE(form.BtnOkClick().Raised());

  // Each file's second: the panel painted on top of both disabled buttons.
  ASSERT_EQ(kPayloadCount, fake.pauses.size());
  for (std::size_t n = 1; n <= kPayloadCount; ++n) {
    const auto& [milliseconds, screen] = fake.pauses[n - 1];
    EXPECT_EQ(1000u, milliseconds);
    EXPECT_TRUE(screen.painted && screen.Shows(PnlAguarde) && screen.top == PnlAguarde) << n;
    EXPECT_EQ(std::to_string(n) + " / 7  [ " + Nome(n) + " ]", screen.texts.at(PnlAguarde));
    EXPECT_FALSE(screen.enabled.at(BtnOk) || screen.enabled.at(BtnSair)) << n;
  }
  // The summary over the idle window, then the exit.
  ASSERT_EQ(Texts{kSucesso}, fake.BoxTexts());
  const FakePlatform::Screen& behind = fake.boxes[0].screen;
  EXPECT_TRUE(behind.painted && !behind.Shows(PnlAguarde));
  EXPECT_EQ("AGUARDE ...", behind.texts.at(PnlAguarde));
  EXPECT_TRUE(behind.enabled.at(BtnOk) && behind.enabled.at(BtnSair));
  EXPECT_TRUE(fake.closed);

  for (const Payload& payload : kPayloads) {
    EXPECT_EQ("MZ", fake.files[Target(payload.fileName)]) << payload.fileName;
  }
  ASSERT_EQ(7u, fake.shellCopies.size());
  EXPECT_EQ(Staged("libxml2.dll") + " -> " + Landed("libxml2.dll"), fake.shellCopies[0]);
  EXPECT_EQ(0, fake.landingsHeld) << "every landing folder removed";
}

TEST_F(BtnOkClickTest, FilesAlreadyInTheTargetAreNeverCopiedButStillPauseOneSecondEach) {
  for (const Payload& payload : kPayloads) fake.files[Target(payload.fileName)] = "older";
  ASSERT_FALSE(form.BtnOkClick().Raised());
  EXPECT_TRUE(fake.shellCopies.empty());
  EXPECT_EQ(7u, fake.pauses.size());
  EXPECT_EQ("7 / 7  [ ICONV.DLL ]", fake.pauses.back().second.texts.at(PnlAguarde));
  EXPECT_EQ(Texts{kSucesso}, fake.BoxTexts());
  EXPECT_EQ("older", fake.files[Target("iconv.dll")]);
  EXPECT_TRUE(fake.closed);
}

TEST_F(BtnOkClickTest, RefusedFilesAreReportedOneByOneThenTheAdviceAndFocusOnInstall) {
  fake.refusedTargets = {Target("libxmlsec.dll"), Target("iconv.dll")};
  ASSERT_FALSE(form.BtnOkClick().Raised());

  EXPECT_EQ((Texts{Aviso(Nome(2)), Aviso(Nome(7)), kConselho}), fake.BoxTexts());
  for (const FakePlatform::Box& box : fake.boxes) {
    EXPECT_TRUE(box.screen.painted) << box.text;
    EXPECT_FALSE(box.screen.Shows(PnlAguarde)) << "the panel is hidden behind " << box.text;
  }
  // The run went on after each warning, the panel shown again: every other
  // file arrived.
  EXPECT_EQ("3 / 7  [ LIBXMLSEC-OPENSSL.DLL ]", fake.pauses[2].second.texts.at(PnlAguarde));
  EXPECT_TRUE(fake.pauses[2].second.painted && fake.pauses[2].second.Shows(PnlAguarde));
  for (std::size_t n = 1; n <= kPayloadCount; ++n) {
    EXPECT_EQ(n != 2 && n != 7, fake.files.count(Target(kPayloads[n - 1].fileName)) > 0) << n;
  }
  // The window stays open and idle, the focus on the install button.
  EXPECT_FALSE(fake.closed);
  EXPECT_FALSE(fake.visible[PnlAguarde]);
  EXPECT_EQ("AGUARDE ...", fake.texts[PnlAguarde]);
  EXPECT_TRUE(fake.enabled[BtnOk] && fake.enabled[BtnSair]);
  EXPECT_EQ(BtnOk, fake.focus);
}

TEST_F(BtnOkClickTest, ASecondRunAfterFailuresCopiesOnlyWhatIsStillMissing) {
  fake.refusedTargets = {Target("midas.dll")};
  ASSERT_FALSE(form.BtnOkClick().Raised());
  fake.refusedTargets.clear();
  fake.shellCopies.clear();
  fake.written.clear();
  fake.boxes.clear();

  ASSERT_FALSE(form.BtnOkClick().Raised());
  EXPECT_TRUE(fake.written.empty()) << "the staging copies exist";
  EXPECT_EQ(Texts{Staged("midas.dll") + " -> " + Landed("midas.dll")}, fake.shellCopies);
  EXPECT_EQ(Texts{kSucesso}, fake.BoxTexts());
}

TEST_F(BtnOkClickTest, TheMakersMachineCopiesIntoTheTestFolder) {
  Machine maker(" vek-note ");
  ASSERT_FALSE(maker.form.BtnOkClick().Raised());
  // The run never makes the test folder: the shell's first copy does, to
  // the name itself, and the copies after it land first.
  const Texts& copies = maker.fake.shellCopies;
  EXPECT_EQ(Staged("libxml2.dll") + " -> C:\\DllsTeste\\libxml2.dll", copies.front());
  EXPECT_EQ(Staged("iconv.dll") + " -> C:\\DllsTeste\\vek.tmp\\iconv.dll", copies.back());
  for (const Payload& payload : kPayloads) {
    EXPECT_EQ("MZ", maker.fake.files[std::string("C:\\DllsTeste\\") + payload.fileName]);
  }
}

// A name in the target folder only ever holds a complete copy of the bytes
// that the executable carries, and the shell copies nothing but a plain
// file. Each row scripts what happens to the copy of libxmlsec.dll (or to
// every copy).
TEST_F(BtnOkClickTest, ACopyTakesItsNameOnlyWhenItIsThePayloadAndNeverReplacesAFile) {
  // Where the shell's copy of libxmlsec.dll went.
  enum class Shell { Landing, Name, Never };
  struct Case {
    const char* scenario;
    void (*setUp)(FakePlatform&);
    std::vector<std::size_t> warned;  // the payloads reported as not copied
    Shell shell;
    int errorBoxes;  // the copy routine's own boxes
  };
  static const std::string kName = Target("libxmlsec.dll");
  static const std::string kSystem = "C:\\Windows\\SysWOW64\\";
  const Case cases[] = {
      {"copy complete: placed by its rename", [](FakePlatform&) {}, {}, Shell::Landing, 0},
      {"the shell reports a failure (cancelled): made again from the carried bytes",
       [](FakePlatform& f) { f.shellCopyResult = 1223; },
       {},
       Shell::Landing,
       0},
      {"the shell fails part-way, leaving part of the copy: made again",
       [](FakePlatform& f) {
         f.shellCopyResult = 112;
         f.shortTargets = {Landed("libxmlsec.dll")};
       },
       {},
       Shell::Landing,
       0},
      {"the copy comes out short: made again from the carried bytes",
       [](FakePlatform& f) { f.shortTargets = {Landed("libxmlsec.dll")}; },
       {},
       Shell::Landing,
       0},
      {"the copy comes out short, and so does the second (a full disk)",
       [](FakePlatform& f) {
         f.shortTargets = {Landed("libxmlsec.dll")};
         f.writeOutcomes[Landed("libxmlsec.dll")] = WriteResult::Outcome::WriteFailed;
       },
       {2},
       Shell::Landing,
       0},
      {"the staged file is not the payload (planted, swapped, an older release's)",
       [](FakePlatform& f) { f.files[Staged("libxmlsec.dll")] = "XY"; },
       {},
       Shell::Landing,
       0},
      {"the staged name is no plain file (a folder, a link) or is held: never shown to the shell",
       [](FakePlatform& f) { f.notPlain = {Staged("libxmlsec.dll")}; },
       {},
       Shell::Never,
       0},
      {"another instance placed it meanwhile: theirs counts",
       [](FakePlatform& f) { f.placedMeanwhile = {kName}; },
       {},
       Shell::Landing,
       0},
      {"a folder of that name in the target",
       [](FakePlatform& f) { f.refusedTargets = {kName}; },
       {2},
       Shell::Landing,
       0},
      {"no landing folder (no rights): the shell copies to the name",
       [](FakePlatform& f) { f.refusedLandings = {kSystem}; },
       {},
       Shell::Name,
       0},
      {"no landing folder, and the staged file is not the payload: not left under the name",
       [](FakePlatform& f) {
         f.refusedLandings = {kSystem};
         f.files[Staged("libxmlsec.dll")] = "XY";
       },
       {2},
       Shell::Name,
       0},
      {"no landing folder, and the staged name is no plain file: never shown to the shell",
       [](FakePlatform& f) {
         f.refusedLandings = {kSystem};
         f.notPlain = {Staged("libxmlsec.dll")};
       },
       {2},
       Shell::Never,
       0},
      {"no landing folder, and the shell's copy refused too",
       [](FakePlatform& f) {
         f.refusedLandings = {kSystem};
         f.refusedTargets = {kName};
       },
       {2},
       Shell::Name,
       0},
      {"the request cannot be made: the box names the target; made from the carried bytes",
       [](FakePlatform& f) { f.shellCopyFailure = "Cannot load shell32.dll"; },
       {},
       Shell::Landing,
       7},
  };
  for (const Case& c : cases) {
    Machine run;
    FakePlatform& machine = run.fake;
    c.setUp(machine);
    ASSERT_FALSE(run.form.BtnOkClick().Raised()) << c.scenario;

    Texts expected, errors;
    for (std::size_t n : c.warned) expected.push_back(Aviso(Nome(n)));
    expected.push_back(c.warned.empty() ? kSucesso : kConselho);
    Texts seen = machine.BoxTexts();
    for (auto box = seen.begin(); box != seen.end();) {
      if (box->rfind("16 ", 0) == 0) {
        errors.push_back(*box);
        box = seen.erase(box);
      } else {
        ++box;
      }
    }
    EXPECT_EQ(expected, seen) << c.scenario;
    EXPECT_EQ(static_cast<std::size_t>(c.errorBoxes), errors.size()) << c.scenario;
    if (!errors.empty()) {
      EXPECT_NE(std::string::npos, errors[0].find("Arq Destino: " + Target("libxml2.dll") + "\r\n"))
          << c.scenario;
    }
    Texts copies;
    for (const std::string& copy : machine.shellCopies) {
      if (copy.rfind(Staged("libxmlsec.dll") + " -> ", 0) == 0) copies.push_back(copy);
    }
    const std::string to = c.shell == Shell::Name ? kName : Landed("libxmlsec.dll");
    EXPECT_EQ(c.shell == Shell::Never ? Texts{} : Texts{Staged("libxmlsec.dll") + " -> " + to},
              copies)
        << c.scenario;
    for (std::size_t n = 1; n <= kPayloadCount; ++n) {
      const bool warned = std::count(c.warned.begin(), c.warned.end(), n) > 0;
      const auto placed = machine.files.find(Target(kPayloads[n - 1].fileName));
      EXPECT_EQ(!warned, placed != machine.files.end()) << c.scenario << ": " << n;
      if (placed != machine.files.end()) {
        EXPECT_EQ("MZ", placed->second) << c.scenario << ": only the carried bytes are placed";
      }
    }
    EXPECT_EQ(0, machine.landingsHeld) << c.scenario << ": every landing folder removed";
    EXPECT_EQ(0, machine.filesHeld) << c.scenario << ": every staged file let go";
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
  EXPECT_TRUE(fake.shellCopies.empty());
  EXPECT_FALSE(fake.enabled[BtnOk] || fake.enabled[BtnSair]);
  EXPECT_TRUE(fake.visible[PnlAguarde]);
  EXPECT_EQ(PnlAguarde, fake.top);
  EXPECT_FALSE(fake.unpainted);
}

// While the wait panel is visible (a run in progress, or one ended by a
// failure) the install button neither touches a file nor changes the window.
TEST_F(BtnOkClickTest, TheInstallButtonDoesNothingWhileThePanelIsVisible) {
  fake.visible[PnlAguarde] = true;
  fake.paths.clear();
  EXPECT_FALSE(form.OnClick(BtnOk).Raised());
  EXPECT_TRUE(fake.paths.empty());
  EXPECT_FALSE(fake.unpainted);
  EXPECT_TRUE(fake.pauses.empty() && fake.boxes.empty());
}

}  // namespace vek::test
