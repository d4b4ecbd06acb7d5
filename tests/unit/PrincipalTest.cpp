#include <gtest/gtest.h>

#include "app/LayoutPrincipal.h"
#include "app/UntPrincipal.h"
#include "tests/unit/FakePlatform.h"

namespace vek::test {

using Texts = std::vector<std::string>;

class FormShowTest : public ::testing::Test {
 protected:
  FormShowTest() { fake.folders = {"D:\\Setup\\"}; }

  void Show() { ASSERT_FALSE(form.FormShow().Raised()); }

  FakePlatform fake;
  TFrmPrincipal form{fake, fake};
};

TEST_F(FormShowTest, On64BitWindowsTitlesItselfAndTargetsSysWow64) {
  fake.wow64 = Wow64Query::ReportsTrue;
  Show();
  EXPECT_EQ("PC-ESCRITORIO", Str(form.NomeMaquina()));
  EXPECT_EQ("D:\\Setup\\Dlls\\", Str(form.PastaDlls()));
  EXPECT_EQ("C:\\Windows\\SysWOW64\\", Str(form.PastaDestino()));
  EXPECT_EQ("VEK DLLS - 64 BITS", fake.formText);
  EXPECT_EQ("VEK DLLS - 64 BITS", fake.applicationTitle);
  EXPECT_TRUE(fake.folders.count("D:\\Setup\\Dlls\\"));
  EXPECT_TRUE(fake.informations.empty());
  // UAC's virtualization is off before the file system sees a path, so the
  // staging folder is made where the user reads it, or refused.
  EXPECT_EQ(0u, fake.virtualizationStoppedAfter);
}

// The target is the folder that Windows reports, spelled as usual where it
// is the usual one; the maker's machines target the test folder under the
// same title, whatever Windows reports. Never made at start. The machine
// name is read once, with room for 80 characters.
TEST_F(FormShowTest, TheTargetIsTheSystemFolderThatWindowsReportsOrTheMakersTestFolder) {
  struct Case {
    bool wow64;
    const char* reported;  // nullptr: Windows cannot tell
    const char* name;      // the machine's; nullptr: unreadable
    const char* nomeMaquina;
    const char* target;
  };
  const Case cases[] = {
      {true, "C:\\WINDOWS\\syswow64\\", "PC", "PC", "C:\\Windows\\SysWOW64\\"},
      {false, "c:\\windows\\system32\\", "PC", "PC", "C:\\Windows\\System32\\"},
      {true, "D:\\WINNT\\SysWOW64\\", "PC", "PC", "D:\\WINNT\\SysWOW64\\"},
      {false, "E:\\Win\\System32\\", "PC", "PC", "E:\\Win\\System32\\"},
      {true, nullptr, "PC", "PC", "C:\\Windows\\SysWOW64\\"},
      {true, "D:\\WINNT\\SysWOW64\\", "VEK-NOTE", "VEK-NOTE", "C:\\DllsTeste\\"},
      {false, nullptr, " vek-note ", "VEK-NOTE", "C:\\DllsTeste\\"},
      {true, nullptr, "ve k", "VE K", "C:\\Windows\\SysWOW64\\"},
      // No message for an unreadable name, which is never the maker's.
      {true, nullptr, nullptr, "INDEFINIDO", "C:\\Windows\\SysWOW64\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name ? c.name : "unreadable");
    FakePlatform machine;
    machine.wow64 = c.wow64 ? Wow64Query::ReportsTrue : Wow64Query::ReportsFalse;
    if (c.reported) machine.systemFolder = c.reported;
    machine.computerName = c.name ? std::optional<std::string>(c.name) : std::nullopt;
    TFrmPrincipal frm(machine, machine);
    ASSERT_FALSE(frm.FormShow().Raised());
    EXPECT_EQ(c.nomeMaquina, Str(frm.NomeMaquina()));
    EXPECT_EQ(std::vector<unsigned long>{80}, machine.computerNameCapacities);
    EXPECT_EQ(c.target, Str(frm.PastaDestino())) << (c.reported ? c.reported : "unknown");
    EXPECT_EQ(c.wow64 ? "VEK DLLS - 64 BITS" : "VEK DLLS - 32 BITS", machine.formText);
    EXPECT_TRUE(machine.informations.empty() && machine.boxes.empty());
    for (const std::string& folder : machine.folders) EXPECT_NE('C', folder[0]) << folder;
  }
}

// Only a successful query that says so means 64-bit Windows; kernel32 is
// released on every path.
TEST_F(FormShowTest, AnyFailingWow64QueryMeans32BitWindows) {
  for (Wow64Query query : {Wow64Query::ReportsTrue, Wow64Query::ReportsFalse,
                           Wow64Query::NoKernel32, Wow64Query::NoExport, Wow64Query::CallFails}) {
    FakePlatform machine;
    machine.wow64 = query;
    TFrmPrincipal frm(machine, machine);
    ASSERT_FALSE(frm.FormShow().Raised());
    const bool wow64 = query == Wow64Query::ReportsTrue;
    EXPECT_EQ(wow64, frm.EhWow64()) << static_cast<int>(query);
    EXPECT_EQ(wow64 ? "VEK DLLS - 64 BITS" : "VEK DLLS - 32 BITS", machine.applicationTitle);
    EXPECT_EQ(wow64 ? "C:\\Windows\\SysWOW64\\" : "C:\\Windows\\System32\\",
              Str(frm.PastaDestino()));
    EXPECT_EQ(query == Wow64Query::NoKernel32 ? 0 : 2, machine.librariesLoaded);
    EXPECT_EQ(machine.librariesLoaded, machine.librariesReleased) << "kernel32 released";
  }
}

// The staging folder is made when it is missing (a file of that name is no
// folder); an existing one is left alone; one that cannot be made is told
// once, under the new title, and the start goes on.
TEST_F(FormShowTest, TheStagingFolderIsMadeWhenMissingAndAFailureToldOnce) {
  const std::string dlls = "D:\\Setup\\Dlls\\";
  const std::string told =
      "[VEK DLLS - 64 BITS] N\xC3O FOI POSS\xCDVEL CRIAR O DIRET\xD3RIO\r" + dlls;
  const struct {
    const char* scenario;
    bool exists, refused, fileOfThatName;
    Texts informations;
  } cases[] = {
      {"existing: left alone, even where making it would fail", true, true, false, {}},
      {"refused", false, true, false, {told}},
      {"a file named Dlls", false, false, true, {}},
  };
  for (const auto& c : cases) {
    FakePlatform machine;
    machine.folders = {"D:\\Setup\\"};
    if (c.exists) machine.folders.insert(dlls);
    if (c.refused) machine.refusedFolders.insert(dlls);
    if (c.fileOfThatName) machine.files[dlls] = "";
    TFrmPrincipal frm(machine, machine);
    ASSERT_FALSE(frm.FormShow().Raised()) << c.scenario;
    EXPECT_EQ(c.informations, machine.informations) << c.scenario;
    EXPECT_EQ(!c.refused || c.exists, machine.folders.count(dlls) > 0) << c.scenario;
  }
}

// A folder name that 8-bit text cannot hold, in a path of any length: the
// user reads stand-ins, the file system gets the platform's own form.
TEST_F(FormShowTest, TheExecutablesFolderReachesTheFileSystemInThePlatformsOwnForm) {
  std::string folder = "C:\\Pasta ?? \xE7\xE3o\\";
  while (folder.size() < 300) folder += "pasta muito comprida\\";
  fake.executablePath = folder + "VekDll.exe";
  fake.executableFolderForm = "the platform's own bytes";
  fake.refusedFolders.insert(folder + "Dlls\\");
  Show();
  EXPECT_EQ(folder + "Dlls\\", Str(form.PastaDlls()));
  ASSERT_FALSE(fake.paths.empty());
  for (const Path& path : fake.paths) {
    const PlatformName& form = path.PlatformForm();
    EXPECT_EQ("the platform's own bytes",
              std::string(reinterpret_cast<const char*>(form.Bytes()), form.Size()));
    EXPECT_EQ("Dlls\\", Str(path.Spelled()));
  }
  EXPECT_EQ((Texts{"[VEK DLLS - 64 BITS] N\xC3O FOI POSS\xCDVEL CRIAR O DIRET\xD3RIO\r" + folder +
                   "Dlls\\"}),
            fake.informations);
}

TEST(LayoutPrincipal, WaitingPanelLiesBeneathTheButtonsAndStartsHidden) {
  const FormLayout& layout = kLayoutPrincipal;
  std::map<ControlId, std::size_t> position;
  for (std::size_t i = 0; i < layout.controlCount; ++i) position[layout.controls[i].id] = i;
  EXPECT_LT(position[PnlAguarde], position[BtnOk]);
  EXPECT_LT(position[PnlAguarde], position[BtnSair]);
  EXPECT_LT(position[BtnOk], position[BtnSair]) << "BtnOk is the first tab stop";
  const ControlLayout& painel = layout.controls[position[PnlAguarde]];
  EXPECT_FALSE(painel.visible);
  // When shown it covers both buttons and both frames.
  for (ControlId coberto : {Bevel1, Bevel2, BtnOk, BtnSair}) {
    const ControlLayout& c = layout.controls[position[coberto]];
    EXPECT_LE(painel.left, c.left);
    EXPECT_LE(painel.top, c.top);
    EXPECT_GE(painel.left + painel.width, c.left + c.width);
    EXPECT_GE(painel.top + painel.height, c.top + c.height);
  }
  EXPECT_EQ(BtnSair, layout.cancelButton);
}

}  // namespace vek::test
