#pragma once
// The program's one main form: a fixed-size window built from a FormLayout,
// with the keyboard rules of a dialog and the click events of its buttons.

#include <windows.h>

#include "platform/Failure.h"
#include "platform/Owned.h"
#include "platform/Toolkit.h"
#include "platform/win32/Handles.h"
#include "platform/win32/window/Application.h"
#include "platform/win32/window/Controls.h"

namespace vek::win32 {

class MainForm : public MessageFilter {
 public:
  // Creates the form, hidden and centred on the screen, and its controls.
  // Borrows all three; the layout and the events must outlive the form. When
  // the form's window cannot be created, Window() is null and
  // CreationFailure tells why.
  MainForm(Application& application, const FormLayout& layout, FormEvents& events);
  MainForm(const MainForm&) = delete;
  MainForm& operator=(const MainForm&) = delete;

  // Runs the show event, then shows and paints the form (made centred on
  // the screen), puts it under the application's window and gives the
  // focus to the first tab stop.
  void Show();

  HWND Window() const { return window_.Get(); }
  // "Cannot create the main window", with the system's reason where it
  // gave one; no failure when the window exists.
  Failure CreationFailure() const;
  void SetCaption(const Text& text);

  // Operations on the controls; an unknown id does nothing, and so does a
  // painted control (a frame, a picture, a plain panel), which stays as the
  // table gives it.
  void SetVisible(ControlId id, bool visible);
  bool IsVisible(ControlId id);
  void BringToFront(ControlId id);
  void SetText(ControlId id, const Text& text);
  void SetEnabled(ControlId id, bool enabled);
  void Focus(ControlId id);
  // Runs the button's click event and returns its outcome.
  Failure Press(ControlId id);

  // The keys of a dialog, for the form's messages: Esc presses the cancel
  // button while it is enabled and visible, with no Shift, Ctrl or Alt
  // held; Tab and Shift+Tab move between the buttons in table order; Enter
  // presses the focused button, as the dialog manager (IsDialogMessage)
  // does it, which also dispatches the messages that it does not take.
  // True when the message was dealt with.
  bool PreTranslate(const MSG& message) override;

 private:
  static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Sets up the control of `entry`: its place, font and picture.
  void Prepare(const ControlLayout& entry);
  // Makes the windows of the controls inside `host` (null: the form).
  void CreateWindows(const Control* host);
  // The control with that id, or null.
  Control* Find(ControlId id);
  // Its window; null for an unknown or a painted control.
  HWND Handle(ControlId id);
  // The form's own painting: the controls without windows, in table order.
  void Paint();
  // A click by mouse or key: runs the click event; a failure goes to the
  // standard error box.
  void Click(ControlId id);
  // True for a button of the table.
  bool IsButton(ControlId id);
  bool IsTabStop(HWND window) const;
  void FocusFirstTabStop();
  // Moves the focus to the next tab stop in table order, or the previous.
  void MoveFocus(bool backwards);

  Application& application_;
  const FormLayout& layout_;
  FormEvents& events_;
  OwnedFont formFont_;
  Buffer<Control> controls_;  // one per row of the table, in its order
  int controlCount_ = 0;      // those prepared so far
  HWND lastFocus_ = nullptr;  // restored when the form is activated again
  unsigned long creationError_ = 0;  // why the window could not be created
  // Declared last: destroyed first, before the fonts and pictures it uses.
  OwnedWindow window_;
};

}  // namespace vek::win32
