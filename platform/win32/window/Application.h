#pragma once
// The application object: the invisible owner window, the title, the event
// loop, the modal boxes, and the standard error box for failures that escape
// an event handler. One per process, on the window thread.

#include <windows.h>

#include "platform/Failure.h"
#include "platform/Owned.h"
#include "platform/Text.h"
#include "platform/win32/Handles.h"

namespace vek::win32 {

// Gets first look at every queued message before it is dispatched.
class MessageFilter {
 public:
  virtual ~MessageFilter() = default;
  // True when the message was handled and must not be dispatched.
  virtual bool PreTranslate(const MSG& message) = 0;
};

class Application {
 public:
  // The title starts as the executable's name up to its first dot, its
  // first character kept and the rest in lower case. The owner window is
  // made when first asked for.
  Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The invisible window that owns the main form, the message boxes and the
  // shell's copy requests, made at the first call and at once given to the
  // form that Own named. Null if it could not be made. Made late for the
  // start-up rows of bench/counts.py ("windows created", "Wine server
  // requests" and "X requests" up to the main window's map) and of
  // bench/startup.py: a top-level window costs the start-up a window of the
  // window system, and nothing needs it before the main form has been
  // painted. Made at start, before the form, it would serve as well.
  HWND Window();
  // `form` is to be owned by the application's window: from now on if that
  // exists, else from when it is made.
  void Own(HWND form);
  HINSTANCE Instance() const { return instance_; }
  // The program's icon at the system's large and small icon sizes, for every
  // window class of the program; null when missing. Shared: never destroyed.
  HICON Icon() const { return icon_; }
  HICON SmallIcon() const { return smallIcon_; }

  const Text& Title() const { return title_; }
  void SetTitle(const Text& title);

  // Borrowed; null for none.
  void SetFilter(MessageFilter* filter) { filter_ = filter; }

  // Runs the event loop until Terminate has been called.
  void Run();
  // Handles every queued message, painting included, until the queue is empty.
  void ProcessMessages();
  // Asks the event loop to end once the message being handled returns.
  void Terminate();

  // MessageBoxA owned by the application window, with the program's other
  // windows disabled while it is open; restores the active window and focus.
  void ShowMessageBox(const Text& text, const Text& caption, unsigned flags);
  // The standard error box: the failure's message, with a period appended
  // when its last character's code is above the period's, under the title,
  // with the stop icon.
  void ShowFailure(const Failure& failure);

 private:
  void Dispatch(MSG& message);

  HINSTANCE instance_;
  HICON icon_;
  HICON smallIcon_;
  OwnedWindow window_;
  HWND form_ = nullptr;  // the form to own, borrowed
  Text title_;
  MessageFilter* filter_ = nullptr;
  bool terminated_ = false;
};

// Disables the thread's visible, enabled top-level windows for the life of
// the scope, then enables them again and gives back the active window and
// the focus that were there before: what a modal box needs around it.
class ModalScope {
 public:
  ModalScope();
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  // Counts the window when it is to be disabled; once disabled_ has room,
  // also disables it and keeps it there.
  static BOOL CALLBACK Visit(HWND window, LPARAM scope);

  Buffer<HWND> disabled_;  // the windows it disabled, made as many as counted
  std::size_t count_ = 0;
  HWND active_;
  HWND focus_;
};

}  // namespace vek::win32
