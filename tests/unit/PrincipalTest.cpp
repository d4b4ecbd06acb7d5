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
// is the usual one; the maker's test folder stays. Never made at start.
TEST_F(FormShowTest, TheTargetIsTheSystemFolderThatWindowsReports) {
  struct Case {
    bool wow64;
    const char* reported;  // nullptr: Windows cannot tell
    const char* maker;     // the machine name
    const char* target;
  };
  const Case cases[] = {
      {true, "C:\\WINDOWS\\syswow64\\", "PC", "C:\\Windows\\SysWOW64\\"},
      {false, "c:\\windows\\system32\\", "PC", "C:\\Windows\\System32\\"},
      {true, "D:\\WINNT\\SysWOW64\\", "PC", "D:\\WINNT\\SysWOW64\\"},
      {false, "E:\\Win\\System32\\", "PC", "E:\\Win\\System32\\"},
      {true, nullptr, "PC", "C:\\Windows\\SysWOW64\\"},
      {true, "D:\\WINNT\\SysWOW64\\", "VEK-NOTE", "C:\\DllsTeste\\"},
  };
  for (const Case& c : cases) {
    FakePlatform machine;
    machine.wow64 = c.wow64 ? Wow64Query::ReportsTrue : Wow64Query::ReportsFalse;
    if (c.reported) machine.systemFolder = c.reported;
    machine.computerName = c.maker;
    TFrmPrincipal frm(machine, machine);
    ASSERT_FALSE(frm.FormShow().Raised());
    EXPECT_EQ(c.target, Str(frm.PastaDestino())) << (c.reported ? c.reported : "unknown");
    EXPECT_EQ(c.wow64 ? "VEK DLLS - 64 BITS" : "VEK DLLS - 32 BITS", machine.formText);
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

TEST_F(FormShowTest, TheMakersMachineTargetsTheTestFolderButKeepsTheTitle) {
  fake.computerName = " vek-note ";
  Show();
  EXPECT_EQ("VEK-NOTE", Str(form.NomeMaquina()));
  EXPECT_EQ("C:\\DllsTeste\\", Str(form.PastaDestino()));
  EXPECT_EQ("VEK DLLS - 64 BITS", fake.formText);
  EXPECT_EQ(std::vector<unsigned long>{80}, fake.computerNameCapacities)
      << "the name is read once, with room for 80 characters";
}

TEST_F(FormShowTest, OtherMachinesTargetTheSystemFolder) {
  for (const char* nome : {"VE", "AVEK", "ve k"}) {
    FakePlatform machine;
    machine.computerName = nome;
    TFrmPrincipal frm(machine, machine);
    ASSERT_FALSE(frm.FormShow().Raised());
    EXPECT_EQ("C:\\Windows\\SysWOW64\\", Str(frm.PastaDestino())) << nome;
  }
}

TEST_F(FormShowTest, AnUnreadableMachineNameIsIndefinido) {
  fake.computerName.reset();
  Show();
  EXPECT_EQ("INDEFINIDO", Str(form.NomeMaquina()));
  EXPECT_EQ("C:\\Windows\\SysWOW64\\", Str(form.PastaDestino()));
  EXPECT_TRUE(fake.informations.empty() && fake.boxes.empty())
      << "no message for an unreadable name";
}

TEST_F(FormShowTest, AnExistingStagingFolderIsLeftAloneWithoutAMessage) {
  fake.folders.insert("D:\\Setup\\Dlls\\");
  fake.refusedFolders.insert("D:\\Setup\\Dlls\\");  // making it again would fail
  Show();
  EXPECT_TRUE(fake.informations.empty());
}

TEST_F(FormShowTest, AStagingFolderThatCannotBeCreatedIsToldOnceUnderTheNewTitle) {
  fake.refusedFolders.insert("D:\\Setup\\Dlls\\");
  Show();
  EXPECT_EQ((Texts{"[VEK DLLS - 64 BITS] N\xC3O FOI POSS\xCDVEL CRIAR O DIRET\xD3RIO\r"
                   "D:\\Setup\\Dlls\\"}),
            fake.informations);
}

TEST_F(FormShowTest, AFileNamedDllsIsNotAFolder) {
  fake.files["D:\\Setup\\Dlls\\"] = "";
  Show();
  EXPECT_TRUE(fake.folders.count("D:\\Setup\\Dlls\\"));
}

TEST_F(FormShowTest, ALongExecutablePathIsKeptWhole) {
  std::string folder = "C:\\";
  while (folder.size() < 300) folder += "pasta muito comprida\\";
  fake.executablePath = folder + "VekDll.exe";
  Show();
  EXPECT_EQ(folder + "Dlls\\", Str(form.PastaDlls()));
}

TEST_F(FormShowTest, TheExecutablesFolderReachesTheFileSystemInThePlatformsOwnForm) {
  // A folder name that 8-bit text cannot hold: the user reads stand-ins.
  fake.executablePath = "C:\\Pasta ?? \xE7\xE3o\\VekDll.exe";
  fake.executableFolderForm = "the platform's own bytes";
  fake.refusedFolders.insert("C:\\Pasta ?? \xE7\xE3o\\Dlls\\");
  Show();
  ASSERT_FALSE(fake.paths.empty());
  for (const Path& path : fake.paths) {
    const PlatformName& form = path.PlatformForm();
    EXPECT_EQ("the platform's own bytes",
              std::string(reinterpret_cast<const char*>(form.Bytes()), form.Size()));
    EXPECT_EQ("Dlls\\", Str(path.Spelled()));
  }
  EXPECT_EQ((Texts{"[VEK DLLS - 64 BITS] N\xC3O FOI POSS\xCDVEL CRIAR O DIRET\xD3RIO\r"
                   "C:\\Pasta ?? \xE7\xE3o\\Dlls\\"}),
            fake.informations);
}

TEST(BtnSair, ClosesTheForm) {
  FakePlatform fake;
  TFrmPrincipal form(fake, fake);
  EXPECT_FALSE(form.OnClick(BtnSair).Raised());
  EXPECT_TRUE(fake.closed);
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
