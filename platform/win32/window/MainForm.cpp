#include "platform/win32/window/MainForm.h"

#include "platform/win32/Handles.h"
#include "platform/win32/process/SystemError.h"
#include "platform/win32/window/WindowClass.h"

namespace vek::win32 {

namespace {

constexpr char kFormClass[] = "VekDllForm";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_APPWINDOW;

HFONT NewFont(const FontStyle& font) {
  return CreateFontA(-font.pixelHeight, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                     FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face);
}

bool SameFont(const FontStyle& a, const FontStyle& b) {
  return a.pixelHeight == b.pixelHeight && a.bold == b.bold && lstrcmpA(a.face, b.face) == 0;
}

bool KeyHeld(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

MainForm::MainForm(Application& application, const FormLayout& layout, FormEvents& events)
    : application_(application),
      layout_(layout),
      events_(events),
      formFont_(NewFont(layout.font)),
      controls_(layout.controlCount) {
  HINSTANCE instance = application.Instance();
  RegisterWindowClass(instance, kFormClass, FormProc,
                      {application.Icon(), application.SmallIcon(), true,
                       reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
  RegisterControlClasses(instance);

  // Made where it will be shown, centred on the screen: nothing to move
  // before it appears.
  RECT frame = {0, 0, layout.clientWidth, layout.clientHeight};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // A creation that a hook refuses need not set an error of its own.
  SetLastError(0);
  window_.Reset(CreateWindowExA(kFormExStyle, kFormClass, "", kFormStyle,
                                (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                                nullptr, nullptr, instance, this));
  if (!window_) {
    creationError_ = GetLastError();
    return;
  }
  application.Own(window_.Get());
  for (std::size_t i = 0; i < layout.controlCount; ++i) Prepare(layout.controls[i]);
  // Windows puts each new child window beneath its siblings: made from the
  // last row to the first, a later row lies above an earlier one, as the
  // table wants, and nothing has to be moved. A control's window is made
  // before the windows inside it.
  CreateWindows(nullptr);
  for (int i = 0; i < controlCount_; ++i) {
    if (controls_[i].windowed) CreateWindows(&controls_[i]);
  }
}

void MainForm::Prepare(const ControlLayout& entry) {
  Control& control = controls_[controlCount_++];
  control.layout = &entry;
  control.parent = Find(entry.parent);
  const POINT origin = control.parent ? POINT{control.parent->place.left, control.parent->place.top}
                                      : POINT{0, 0};
  control.place = {origin.x + entry.left, origin.y + entry.top,
                   origin.x + entry.left + entry.width, origin.y + entry.top + entry.height};
  control.windowed = NeedsWindow(entry, control.parent);

  control.font = formFont_.Get();
  if (entry.font.face) {
    // Controls of the same style share one font.
    const Control* same = nullptr;
    for (int i = 0; i < controlCount_ - 1 && !same; ++i) {
      if (controls_[i].ownFont && SameFont(controls_[i].layout->font, entry.font)) {
        same = &controls_[i];
      }
    }
    if (!same) control.ownFont.Reset(NewFont(entry.font));
    control.font = same ? same->font : control.ownFont.Get();
  }
  // Made by the build at the size of the control, or 24 x 24 for a glyph.
  if (entry.image) control.picture = LoadPicture(entry.image);
}

void MainForm::CreateWindows(const Control* host) {
  for (int i = controlCount_ - 1; i >= 0; --i) {
    Control& control = controls_[i];
    const Control* itsHost = control.parent && control.parent->windowed ? control.parent : nullptr;
    if (!control.windowed || itsHost != host) continue;
    const ControlLayout& entry = *control.layout;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (entry.visible ? WS_VISIBLE : 0);
    if (entry.kind == ControlKind::Panel) style |= WS_CLIPCHILDREN;
    if (entry.kind == ControlKind::PictureButton) style |= BS_OWNERDRAW | WS_TABSTOP;
    // Inside a control with a window, where the table puts it; else at its
    // place in the form, whatever painted controls the table has around it.
    const POINT at = host ? POINT{entry.left, entry.top} : POINT{control.place.left, control.place.top};
    control.window = CreateWindowExA(0, ControlClass(entry.kind), entry.text ? entry.text : "",
                                     style, at.x, at.y, entry.width, entry.height,
                                     host ? host->window : window_.Get(),
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                                     application_.Instance(), &control);
    // The system's buttons do not pass on a creation parameter.
    if (control.window && entry.kind == ControlKind::PictureButton) {
      AttachControl(control.window, &control);
    }
  }
}

Control* MainForm::Find(ControlId id) {
  for (int i = 0; i < controlCount_; ++i) {
    if (controls_[i].layout->id == id) return &controls_[i];
  }
  return nullptr;
}

HWND MainForm::Handle(ControlId id) {
  const Control* control = Find(id);
  return control ? control->window : nullptr;
}

void MainForm::Paint() {
  PaintScope paint(window_.Get());
  for (int i = 0; i < controlCount_; ++i) {
    if (!controls_[i].windowed) PaintControl(paint.Dc(), controls_[i].place, controls_[i], Text());
  }
}

Failure MainForm::CreationFailure() const {
  if (window_) return Failure();
  Text message = "Cannot create the main window";
  if (creationError_) message += Text(". ") + ErrorReason(creationError_);
  return Failure(message);
}

void MainForm::Show() {
  if (Failure failure = events_.OnShow()) application_.ShowFailure(failure);
  ShowWindow(window_.Get(), SW_SHOWNORMAL);
  SetForegroundWindow(window_.Get());
  UpdateWindow(window_.Get());
  // Owned by the application's window from here on, as the boxes are, so
  // that Windows brings an open box forward when the user comes back to the
  // form: made now, unless a box of the show event made it already, and
  // not before, for the start-up rows of bench/counts.py (Application::Window).
  application_.Window();
  FocusFirstTabStop();
}

void MainForm::SetCaption(const Text& text) { SetWindowTextA(window_.Get(), text.CStr()); }

void MainForm::SetVisible(ControlId id, bool visible) {
  // Asked once per payload of a run: nothing to do when it already is so
  // (for the row "Wine server requests of the installation run",
  // bench/run_counts.py; showing a shown window again is harmless).
  HWND window = Handle(id);
  if (window && ((GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0) != visible) {
    ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
  }
}

bool MainForm::IsVisible(ControlId id) {
  const Control* control = Find(id);
  if (!control) return false;
  if (!control->windowed) return control->layout->visible;
  return control->window && (GetWindowLongA(control->window, GWL_STYLE) & WS_VISIBLE);
}

void MainForm::BringToFront(ControlId id) {
  // Asked once per payload of a run: nothing to do when no sibling lies
  // above it (for the row "Wine server requests of the installation run",
  // bench/run_counts.py).
  HWND window = Handle(id);
  if (window && GetWindow(window, GW_HWNDPREV)) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void MainForm::SetText(ControlId id, const Text& text) {
  if (HWND window = Handle(id)) SetWindowTextA(window, text.CStr());
}

void MainForm::SetEnabled(ControlId id, bool enabled) {
  if (HWND window = Handle(id)) EnableWindow(window, enabled);
}

void MainForm::Focus(ControlId id) {
  if (HWND window = Handle(id)) SetFocus(window);
}

Failure MainForm::Press(ControlId id) { return events_.OnClick(id); }

void MainForm::Click(ControlId id) {
  if (Failure failure = events_.OnClick(id)) application_.ShowFailure(failure);
}

bool MainForm::IsButton(ControlId id) {
  const Control* control = Find(id);
  return control && control->layout->kind == ControlKind::PictureButton;
}

bool MainForm::IsTabStop(HWND window) const {
  return window && (GetWindowLongA(window, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(window) &&
         IsWindowEnabled(window);
}

void MainForm::FocusFirstTabStop() {
  for (int i = 0; i < controlCount_; ++i) {
    if (IsTabStop(controls_[i].window)) {
      SetFocus(controls_[i].window);
      return;
    }
  }
}

void MainForm::MoveFocus(bool backwards) {
  // The tab order is the table order, from the focused control on.
  int current = -1;
  HWND focus = GetFocus();
  for (int i = 0; i < controlCount_; ++i) {
    if (controls_[i].window == focus) current = i;
  }
  for (int step = 1; step <= controlCount_; ++step) {
    int next = current < 0 ? (backwards ? controlCount_ - step : step - 1)
                           : (current + (backwards ? -step : step) + 2 * controlCount_) % controlCount_;
    if (IsTabStop(controls_[next].window)) {
      SetFocus(controls_[next].window);
      return;
    }
  }
}

bool MainForm::PreTranslate(const MSG& message) {
  if (message.hwnd != window_.Get() && !IsChild(window_.Get(), message.hwnd)) return false;
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
    // The rule of ours that the dialog manager lacks: Esc presses the
    // cancel button only while it is enabled and visible, with no Shift,
    // Ctrl or Alt held, and never closes the form by itself.
    HWND cancel = Handle(layout_.cancelButton);
    if (!KeyHeld(VK_SHIFT) && !KeyHeld(VK_CONTROL) && !KeyHeld(VK_MENU) && cancel &&
        IsWindowEnabled(cancel) && IsWindowVisible(cancel)) {
      Click(layout_.cancelButton);
    }
    return true;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
    // Ours too: the dialog manager moves in stacking order, top to bottom,
    // which is the reverse of the table's (a later row lies above), and it
    // takes Ctrl+Tab and Alt+Tab as well, which are the window's.
    if (KeyHeld(VK_CONTROL) || KeyHeld(VK_MENU)) return false;
    MoveFocus(KeyHeld(VK_SHIFT));
    return true;
  }
  if (message.message == WM_CHAR &&
      (message.wParam == '\r' || message.wParam == '\t' || message.wParam == 27)) {
    // The characters of the keys acted on, kept from the buttons, which
    // would beep; the dialog manager would pass them on.
    return true;
  }
  // Enter presses the default button, which is the focused one
  // (DM_GETDEFID), and the rest is dispatched.
  MSG copy = message;
  return IsDialogMessageA(window_.Get(), &copy) != 0;
}

LRESULT CALLBACK MainForm::FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(
                          reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  }
  auto* form = reinterpret_cast<MainForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!form || !form->window_) return DefWindowProcA(window, message, wParam, lParam);
  return form->HandleMessage(message, wParam, lParam);
}

LRESULT MainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // From a button, by mouse or key, or from the dialog manager for Enter.
      if ((HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == BN_DOUBLECLICKED) &&
          IsButton(LOWORD(wParam))) {
        Click(LOWORD(wParam));
      }
      return 0;
    case DM_GETDEFID: {
      // The button that Enter presses: the focused one, or none
      // (kNoControl, which no control has).
      HWND focus = GetFocus();
      return MAKELRESULT(IsTabStop(focus) ? GetDlgCtrlID(focus) : kNoControl, DC_HASDEFID);
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_.Get(), focus)) lastFocus_ = focus;
      } else if (lastFocus_ && IsTabStop(lastFocus_)) {
        SetFocus(lastFocus_);
      } else {
        FocusFirstTabStop();
      }
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_DRAWITEM:
      // The picture buttons', whether on the form or inside a panel.
      DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CLOSE:
      // Closing the main form ends the program once the running handler, if
      // any, has returned; nothing is asked.
      application_.Terminate();
      return 0;
  }
  return DefWindowProcA(window_.Get(), message, wParam, lParam);
}

}  // namespace vek::win32
