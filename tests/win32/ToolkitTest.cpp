// The window toolkit on the real functions: which of the main form's
// controls get windows and what each key does on it; the message box, the
// standard error box and the information dialog, driven without a person (a
// timer notes what each box shows and presses a key in it, as a user
// would); and a main window that cannot be created, which is reported and
// ends the program instead of leaving it waiting unseen.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/Platform.h"
#include "platform/win32/process/SystemError.h"
#include "platform/win32/window/InformationDialog.h"
#include "platform/win32/window/MainForm.h"
#include "tests/win32/Boxes.h"

namespace vek::win32::test {

namespace {

// Notes each event: the button of a click, kNoControl for the show event.
class Events : public FormEvents {
 public:
  Failure OnShow() override { return OnClick(kNoControl); }
  Failure OnClick(ControlId button) override {
    noted.push_back(button);
    return Failure();
  }
  std::vector<ControlId> noted;
};

enum : ControlId {
  kPlain = 1, kFrame, kPicture, kOk, kQuit, kCaptioned, kInner, kLogo, kHidden, kBox, kOff
};
constexpr ControlId kPainted = -1;

// Every kind of control: on the form, inside a painted panel and inside
// panels with windows; and whose window holds each one's window.
const struct Row {
  ControlId id, parent;
  ControlKind kind;
  const char* caption;
  bool visible;
  ControlId host;  // kNoControl: the form; kPainted: it has no window
} kRows[] = {
    {kPlain, kNoControl, ControlKind::Panel, nullptr, true, kPainted},
    {kFrame, kPlain, ControlKind::BevelFrame, nullptr, true, kPainted},
    {kPicture, kNoControl, ControlKind::Picture, nullptr, true, kPainted},
    {kOk, kPlain, ControlKind::PictureButton, "OK", true, kNoControl},
    {kQuit, kNoControl, ControlKind::PictureButton, "SAIR", true, kNoControl},
    {kCaptioned, kNoControl, ControlKind::Panel, "AGUARDE", true, kNoControl},
    {kInner, kCaptioned, ControlKind::PictureButton, "DENTRO", true, kCaptioned},
    {kLogo, kCaptioned, ControlKind::Picture, nullptr, true, kCaptioned},
    {kHidden, kNoControl, ControlKind::Panel, nullptr, false, kNoControl},
    {kBox, kHidden, ControlKind::BevelFrame, nullptr, true, kHidden},
    {kOff, kHidden, ControlKind::PictureButton, "OCULTO", true, kHidden},  // never shown
};

// The form of kRows, shown, with kQuit its cancel button and kOk focused:
// also the window that a box is shown over.
struct ShownForm {
  ShownForm() { form.Show(); }
  static std::vector<ControlLayout> Controls() {
    std::vector<ControlLayout> controls;
    for (const Row& row : kRows) {
      controls.push_back({row.id, row.kind, row.parent, 4, 4, 56, 40, row.caption,
                          {"Arial", 12, true}, Colour::Face, Bevel::None, Bevel::None, 0,
                          row.visible, nullptr});
    }
    return controls;
  }
  const std::vector<ControlLayout> controls = Controls();
  const FormLayout layout = {680, 48, {"MS Sans Serif", 11, false}, controls.data(),
                             controls.size(), kQuit};
  Application application;
  Events events;
  MainForm form{application, layout, events};
};

}  // namespace

TEST(MainForm, OnlyButtonsPanelsThatChangeAndWhatLiesInThemGetWindows) {
  ShownForm shown;
  const HWND form = shown.form.Window();
  for (const Row& row : kRows) {
    const HWND host = row.host > kNoControl ? GetDlgItem(form, row.host) : form;
    EXPECT_EQ(row.host != kPainted, GetDlgItem(host, row.id) != nullptr) << row.id;
    EXPECT_EQ(row.visible, shown.form.IsVisible(row.id)) << row.id;
  }
}

namespace {

// The messages that reach the focused button, noted by a procedure put before its own.
std::vector<std::pair<UINT, WPARAM>> reached;
WNDPROC buttonProc = nullptr;
LRESULT CALLBACK NoteReached(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  reached.emplace_back(message, wParam);
  return CallWindowProcA(buttonProc, window, message, wParam, lParam);
}

}  // namespace

TEST(MainForm, EscPressesTheCancelButtonEnterTheFocusedOneAndTabMovesInTableOrder) {
  // A key (WM_KEYDOWN) or its character (WM_CHAR) with Shift, Ctrl or Alt held, on
  // the focused button while another is disabled or hidden, through the event
  // loop: whether the form keeps it from the button, the button it presses
  // (kNoControl: none) and the focus then.
  const struct {
    UINT message;
    WPARAM key;
    BYTE held;
    ControlId focus, disabled, hidden;
    bool kept;
    ControlId clicked, focusAfter;
  } cases[] = {
      // Esc: the cancel button, unless Shift, Ctrl or Alt is held, or it is disabled or hidden.
      {WM_KEYDOWN, VK_ESCAPE, 0, kOk, kNoControl, kNoControl, true, kQuit, kOk},
      {WM_KEYDOWN, VK_ESCAPE, VK_SHIFT, kOk, kNoControl, kNoControl, true, kNoControl, kOk},
      {WM_KEYDOWN, VK_ESCAPE, VK_CONTROL, kOk, kNoControl, kNoControl, true, kNoControl, kOk},
      {WM_KEYDOWN, VK_ESCAPE, VK_MENU, kOk, kNoControl, kNoControl, true, kNoControl, kOk},
      {WM_KEYDOWN, VK_ESCAPE, 0, kOk, kQuit, kNoControl, true, kNoControl, kOk},
      {WM_KEYDOWN, VK_ESCAPE, 0, kOk, kNoControl, kQuit, true, kNoControl, kOk},
      // Enter: the focused button, on the form or in a panel.
      {WM_KEYDOWN, VK_RETURN, 0, kOk, kNoControl, kNoControl, true, kOk, kOk},
      {WM_KEYDOWN, VK_RETURN, 0, kInner, kNoControl, kNoControl, true, kInner, kInner},
      // Tab and Shift+Tab: the next enabled, visible button in table order, round;
      // with Ctrl or Alt, the key is the window's.
      {WM_KEYDOWN, VK_TAB, 0, kOk, kNoControl, kNoControl, true, kNoControl, kQuit},
      {WM_KEYDOWN, VK_TAB, 0, kInner, kNoControl, kNoControl, true, kNoControl, kOk},
      {WM_KEYDOWN, VK_TAB, VK_SHIFT, kOk, kNoControl, kNoControl, true, kNoControl, kInner},
      {WM_KEYDOWN, VK_TAB, 0, kOk, kQuit, kNoControl, true, kNoControl, kInner},
      {WM_KEYDOWN, VK_TAB, 0, kOk, kNoControl, kQuit, true, kNoControl, kInner},
      {WM_KEYDOWN, VK_TAB, VK_CONTROL, kOk, kNoControl, kNoControl, false, kNoControl, kOk},
      {WM_KEYDOWN, VK_TAB, VK_MENU, kOk, kNoControl, kNoControl, false, kNoControl, kOk},
      {WM_KEYDOWN, VK_SPACE, 0, kOk, kNoControl, kNoControl, false, kNoControl, kOk},
      // The characters of the keys acted on are kept from the buttons, which would beep.
      {WM_CHAR, '\r', 0, kOk, kNoControl, kNoControl, true, kNoControl, kOk},
      {WM_CHAR, '\t', 0, kOk, kNoControl, kNoControl, true, kNoControl, kOk},
      {WM_CHAR, 27, 0, kOk, kNoControl, kNoControl, true, kNoControl, kOk},
      {WM_CHAR, 'a', 0, kOk, kNoControl, kNoControl, false, kNoControl, kOk},
  };
  ShownForm shown;
  shown.application.SetFilter(&shown.form);
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);  // the row
    shown.form.SetEnabled(c.disabled, false);
    shown.form.SetVisible(c.hidden, false);
    shown.form.Focus(c.focus);
    BYTE keys[256] = {};
    keys[c.held] = c.held ? 0x80 : 0;
    SetKeyboardState(keys);
    shown.events.noted.clear();
    const HWND button = GetFocus();
    reached.clear();
    buttonProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NoteReached)));
    PostMessageA(button, c.message, c.key, 0);
    shown.application.ProcessMessages();
    SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(buttonProc));
    EXPECT_EQ(c.kept,
              !std::count(reached.begin(), reached.end(), std::make_pair(c.message, c.key)));
    EXPECT_EQ(std::vector<ControlId>(c.clicked ? 1 : 0, c.clicked), shown.events.noted);
    EXPECT_EQ(c.focusAfter, GetDlgCtrlID(GetFocus()));
    shown.form.SetEnabled(c.disabled, true);
    shown.form.SetVisible(c.hidden, true);
  }
  BYTE none[256] = {};
  SetKeyboardState(none);
}

TEST(Boxes, AMessageBoxShowsItsTextAsGivenOverDisabledWindows) {
  ShownForm shown;
  const HWND focusBefore = GetFocus();
  BoxAnswerer answerer(VK_RETURN, shown.form.Window());
  const std::string text = "N\xE3o foi possivel copiar o arquivo:\r\n\r\nICONV.DLL";
  shown.application.ShowMessageBox(text.c_str(), "VEK INFORM\xC1TICA", 0x30);
  ASSERT_EQ(1u, answerer.Seen().size());
  const SeenBox& box = answerer.Seen()[0];
  EXPECT_EQ("VEK INFORM\xC1TICA", box.caption);
  EXPECT_EQ(std::vector<std::string>{text}, box.texts);
  EXPECT_EQ(1u, box.buttons.size()) << "one OK button";
  EXPECT_EQ(shown.application.Window(), box.owner);
  EXPECT_FALSE(box.watchedEnabled) << "the program's other windows are disabled meanwhile";
  EXPECT_TRUE(IsWindowEnabled(shown.form.Window())) << "and enabled again afterwards";
  EXPECT_EQ(focusBefore, GetFocus()) << "the focus comes back";
}

TEST(Boxes, TheStandardErrorBoxEndsTheMessageWithAPeriodWhereItLacksOne) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
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
  for (const auto& c : cases) {
    BoxAnswerer answerer(VK_RETURN);
    application.ShowFailure(Failure(c.message));
    ASSERT_EQ(1u, answerer.Seen().size()) << c.message;
    const SeenBox& box = answerer.Seen()[0];
    EXPECT_EQ("VEK DLLS - 64 BITS", box.caption) << c.message;
    EXPECT_EQ(std::vector<std::string>{c.shown}, box.texts) << c.message;
  }
}

TEST(Boxes, TheInformationDialogShowsTheTextUnderTheTitleAndClosesWithEnterOrEsc) {
  std::string text = "N\xC3O FOI POSS\xCDVEL CRIAR O DIRET\xD3RIO\rC:\\";
  for (int level = 0; level < 8; ++level) text += "pasta de nome comprido " + std::to_string(level) + "\\";
  text += "Dlls\\";
  ShownForm shown;
  shown.application.SetTitle("VEK DLLS - 32 BITS");
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    BoxAnswerer answerer(key, shown.form.Window());
    ShowInformationDialog(shown.application, Text(text.c_str()));
    ASSERT_EQ(1u, answerer.Seen().size()) << key;
    const SeenBox& box = answerer.Seen()[0];
    EXPECT_EQ("VEK DLLS - 32 BITS", box.caption);
    EXPECT_EQ(std::vector<std::string>{text}, box.texts) << "the text unchanged, no icon";
    EXPECT_EQ(std::vector<std::string>{"OK"}, box.buttons);
    EXPECT_FALSE(box.watchedEnabled);
    EXPECT_TRUE(IsWindowEnabled(shown.form.Window()));
    const int width = box.frame.right - box.frame.left;
    const int height = box.frame.bottom - box.frame.top;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_LE(width, screenWidth / 2 + 64) << "word-wrapped to half the screen's width";
    EXPECT_NEAR((screenWidth - width) / 2, box.frame.left, 1) << "centred";
    EXPECT_NEAR((GetSystemMetrics(SM_CYSCREEN) - height) / 2, box.frame.top, 1);
  }
}

namespace {

// Refuses the creation of the main form's window on this thread, as
// Windows does when it has no memory for it; with that reason.
class RefuseMainWindow {
 public:
  RefuseMainWindow() : hook_(SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId())) {}
  ~RefuseMainWindow() { UnhookWindowsHookEx(hook_); }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    char name[32] = "";
    if (code == HCBT_CREATEWND && GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name) &&
        std::string(name) == "VekDllForm") {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK hook_;
};

// Ends a running event loop that nothing else would end, after a minute:
// a test of a program that hangs fails instead of hanging too.
class Watchdog {
 public:
  Watchdog() : timer_(SetTimer(nullptr, 0, 60000, Bark)) {}
  ~Watchdog() { KillTimer(nullptr, timer_); }
  static inline bool barked = false;

 private:
  static void CALLBACK Bark(HWND, UINT, UINT_PTR, DWORD) {
    barked = true;
    PostQuitMessage(0);
  }
  UINT_PTR timer_;
};

}  // namespace

TEST(Platform, AMainWindowThatCannotBeCreatedIsReportedAndEndsTheProgram) {
  Platform platform;
  platform.Tools().SetApplicationTitle("VEK DLLS - 32 BITS");
  Events events;
  RefuseMainWindow refuse;
  Watchdog watchdog;
  BoxAnswerer answerer(VK_RETURN);
  const FormLayout empty = {200, 50, {"MS Sans Serif", 11, false}, nullptr, 0, kNoControl};
  const int exitCode = platform.Run(empty, events);
  EXPECT_FALSE(Watchdog::barked) << "the program waited with no window";
  EXPECT_NE(0, exitCode);
  EXPECT_TRUE(events.noted.empty()) << "no show event without a window";
  ASSERT_EQ(1u, answerer.Seen().size()) << "the standard error box";
  const SeenBox& box = answerer.Seen()[0];
  EXPECT_EQ("VEK DLLS - 32 BITS", box.caption) << "under the application title";
  const std::string reason = ErrorReason(ERROR_NOT_ENOUGH_MEMORY).CStr();
  EXPECT_EQ(std::vector<std::string>{"Cannot create the main window. " + reason + "."}, box.texts);
}

}  // namespace vek::win32::test
