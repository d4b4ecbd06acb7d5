// The program's platform when its main window cannot be created: the user
// is told why and the process ends, instead of waiting unseen for ever.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/Platform.h"
#include "platform/win32/SystemError.h"
#include "tests/win32/Boxes.h"

namespace vek::win32::test {

namespace {

const FormLayout kEmptyForm = {200, 50, {"MS Sans Serif", 11, false}, nullptr, 0, kNoControl};

class Events : public FormEvents {
 public:
  Failure OnShow() override {
    ++shown;
    return Failure();
  }
  Failure OnClick(ControlId) override { return Failure(); }
  int shown = 0;
};

// Refuses the creation of the main form's window on this thread, as
// Windows does when it has no memory for it; with that reason.
class RefuseMainWindow {
 public:
  RefuseMainWindow()
      : hook_(SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId())) {}
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
  static bool barked;

 private:
  static void CALLBACK Bark(HWND, UINT, UINT_PTR, DWORD) {
    barked = true;
    PostQuitMessage(0);
  }
  UINT_PTR timer_;
};
bool Watchdog::barked = false;

}  // namespace

TEST(Platform, AMainWindowThatCannotBeCreatedIsReportedAndEndsTheProgram) {
  Platform platform;
  platform.Tools().SetApplicationTitle("VEK DLLS - 32 BITS");
  Events events;
  RefuseMainWindow refuse;
  Watchdog watchdog;
  BoxAnswerer answerer(VK_RETURN);
  const int exitCode = platform.Run(kEmptyForm, events);
  EXPECT_FALSE(Watchdog::barked) << "the program waited with no window";
  EXPECT_NE(0, exitCode);
  EXPECT_EQ(0, events.shown) << "no show event without a window";
  ASSERT_EQ(1u, answerer.Seen().size()) << "the standard error box";
  const SeenBox& box = answerer.Seen()[0];
  EXPECT_EQ("VEK DLLS - 32 BITS", box.caption) << "under the application title";
  ASSERT_EQ(1u, box.texts.size());
  EXPECT_EQ("Cannot create the main window. " + std::string(ErrorReason(ERROR_NOT_ENOUGH_MEMORY).CStr()) + ".",
            box.texts[0]);
}

}  // namespace vek::win32::test
