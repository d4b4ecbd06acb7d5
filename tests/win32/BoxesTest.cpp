// The message box, the standard error box and the information dialog,
// driven without a person: a timer notes what each box shows and presses a
// key in it, as a user would.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/Application.h"
#include "platform/win32/InformationDialog.h"
#include "tests/win32/Boxes.h"

namespace vek::win32::test {

namespace {

// A visible top-level window of the thread with a focused child, as the
// main form is while a box is shown over it.
class SomeWindow {
 public:
  SomeWindow() {
    window_ = CreateWindowExA(0, "STATIC", "some window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                              300, 200, nullptr, nullptr, nullptr, nullptr);
    child_ = CreateWindowExA(0, "BUTTON", "a button", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10,
                             100, 30, window_, nullptr, nullptr, nullptr);
    SetForegroundWindow(window_);
    SetActiveWindow(window_);
    SetFocus(child_);
  }
  ~SomeWindow() { DestroyWindow(window_); }
  HWND Window() const { return window_; }
  HWND Child() const { return child_; }

 private:
  HWND window_;
  HWND child_;
};

}  // namespace

TEST(Boxes, AMessageBoxShowsItsTextAsGivenOverDisabledWindows) {
  Application application;
  SomeWindow other;
  const HWND focusBefore = GetFocus();
  BoxAnswerer answerer(VK_RETURN, other.Window());
  application.ShowMessageBox("N\xE3o foi possivel copiar o arquivo:\r\n\r\nICONV.DLL",
                             "VEK INFORM\xC1TICA", 0x30);
  ASSERT_EQ(1u, answerer.Seen().size());
  const SeenBox& box = answerer.Seen()[0];
  EXPECT_EQ("VEK INFORM\xC1TICA", box.caption);
  ASSERT_EQ(1u, box.texts.size());
  EXPECT_EQ("N\xE3o foi possivel copiar o arquivo:\r\n\r\nICONV.DLL", box.texts[0]);
  EXPECT_EQ(1u, box.buttons.size()) << "one OK button";
  EXPECT_EQ(application.Window(), box.owner);
  EXPECT_FALSE(box.watchedEnabled) << "the program's other windows are disabled meanwhile";
  EXPECT_TRUE(IsWindowEnabled(other.Window())) << "and enabled again afterwards";
  EXPECT_EQ(focusBefore, GetFocus()) << "the focus comes back";
}

TEST(Boxes, TheStandardErrorBoxEndsTheMessageWithAPeriodWhereItLacksOne) {
  struct Case {
    const char* message;
    const char* shown;
  };
  const Case cases[] = {
      {"Resource libxml2dll not found", "Resource libxml2dll not found."},
      {"Stream write error.", "Stream write error."},
      {"Cannot create file \"C:\\Dlls\\a.dll\". Acesso negado", "Cannot create file \"C:\\Dlls\\a.dll\". Acesso negado."},
      {"ends in a blank ", "ends in a blank "},    // a blank's code is below the period's
      {"ends in a comma,", "ends in a comma,"},
      {"ends in \xE7", "ends in \xE7."},           // code page 1252 letters are above it
      {"ends in 7", "ends in 7."},
  };
  Application application;
  application.SetTitle("VEK DLLS - 64 BITS");
  for (const Case& c : cases) {
    BoxAnswerer answerer(VK_RETURN);
    application.ShowFailure(Failure(c.message));
    ASSERT_EQ(1u, answerer.Seen().size()) << c.message;
    const SeenBox& box = answerer.Seen()[0];
    EXPECT_EQ("VEK DLLS - 64 BITS", box.caption) << c.message;
    ASSERT_EQ(1u, box.texts.size()) << c.message;
    EXPECT_EQ(c.shown, box.texts[0]);
  }
}

TEST(Boxes, TheInformationDialogShowsTheTextUnderTheTitleAndClosesWithEnterOrEsc) {
  std::string text = "N\xC3O FOI POSS\xCDVEL CRIAR O DIRET\xD3RIO\rC:\\";
  for (int level = 0; level < 8; ++level) text += "pasta de nome comprido " + std::to_string(level) + "\\";
  text += "Dlls\\";
  Application application;
  application.SetTitle("VEK DLLS - 32 BITS");
  SomeWindow other;
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    BoxAnswerer answerer(key, other.Window());
    ShowInformationDialog(application, Text(text.c_str()));
    ASSERT_EQ(1u, answerer.Seen().size()) << key;
    const SeenBox& box = answerer.Seen()[0];
    EXPECT_EQ("VEK DLLS - 32 BITS", box.caption);
    EXPECT_EQ(std::vector<std::string>{text}, box.texts) << "the text unchanged, no icon";
    EXPECT_EQ(std::vector<std::string>{"OK"}, box.buttons);
    EXPECT_FALSE(box.watchedEnabled);
    EXPECT_TRUE(IsWindowEnabled(other.Window()));
    const int width = box.frame.right - box.frame.left;
    const int height = box.frame.bottom - box.frame.top;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_LE(width, screenWidth / 2 + 64) << "word-wrapped to half the screen's width";
    EXPECT_NEAR((screenWidth - width) / 2, box.frame.left, 1) << "centred";
    EXPECT_NEAR((GetSystemMetrics(SM_CYSCREEN) - height) / 2, box.frame.top, 1);
  }
}

}  // namespace vek::win32::test
