#include "platform/win32/window/InformationDialog.h"

#include <windows.h>

#include "platform/Resources.h"
#include "platform/win32/Handles.h"

namespace vek::win32 {

namespace {

struct DialogContent {
  const Text* caption;
  const Text* text;
};

void Layout(HWND dialog, const DialogContent& content) {
  SetWindowTextA(dialog, content.caption->CStr());
  HWND label = GetDlgItem(dialog, VEK_INFORMATION_TEXT);
  HWND ok = GetDlgItem(dialog, IDOK);
  SetWindowTextA(label, content.text->CStr());

  // Margins and button size in dialog units, as message dialogs have them.
  RECT units = {8, 8, 50, 14};
  MapDialogRect(dialog, &units);
  const int margin = units.left;
  const int buttonWidth = units.right;
  const int buttonHeight = units.bottom;
  RECT spacing = {10, 10, 0, 0};
  MapDialogRect(dialog, &spacing);

  RECT textRect = {0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
  {
    WindowDc dc(label);
    SelectedObject font(dc.Get(), reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    DrawTextA(dc.Get(), content.text->CStr(), static_cast<int>(content.text->Length()), &textRect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  }
  const int textWidth = textRect.right;
  const int textHeight = textRect.bottom;
  const int innerWidth = textWidth > buttonWidth ? textWidth : buttonWidth;
  const int clientWidth = innerWidth + 2 * margin;
  const int clientHeight = margin + textHeight + spacing.top + buttonHeight + margin;

  MoveWindow(label, margin, margin, textWidth, textHeight, FALSE);
  MoveWindow(ok, (clientWidth - buttonWidth) / 2, margin + textHeight + spacing.top, buttonWidth,
             buttonHeight, FALSE);

  RECT frame = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, GetWindowLongA(dialog, GWL_STYLE), FALSE,
                     GetWindowLongA(dialog, GWL_EXSTYLE));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  MoveWindow(dialog, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
             (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, FALSE);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      Layout(dialog, *reinterpret_cast<const DialogContent*>(lParam));
      return TRUE;  // focus to the OK button
    case WM_COMMAND:
      // Enter presses OK; Esc and the close box come as IDCANCEL.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDOK);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

void ShowInformationDialog(Application& application, const Text& text) {
  const Text caption = application.Title();
  DialogContent content = {&caption, &text};
  ModalScope modal;
  DialogBoxParamA(application.Instance(), MAKEINTRESOURCEA(VEK_INFORMATION_DIALOG), application.Window(),
                  DialogProc, reinterpret_cast<LPARAM>(&content));
}

}  // namespace vek::win32
