#include "platform/win32/window/InformationDialog.h"

#include <windows.h>

#include "platform/Owned.h"
#include "platform/win32/Handles.h"

namespace vek::win32 {

namespace {

constexpr int kTextId = 100;

// The dialog's template, built in memory: a captioned modal frame in
// "MS Sans Serif" 8 with a static text and an OK button. Sizes and places
// are set in WM_INITDIALOG, once the text has been measured. Built twice:
// without words, to count them, then into a buffer of that many.
struct DialogTemplate {
  WORD* words = nullptr;  // null: only counts
  std::size_t count = 0;

  void Word(WORD w) {
    if (words) words[count] = w;
    ++count;
  }
  void Wide(const char* ascii) {
    do Word(static_cast<WORD>(*ascii)); while (*ascii++);
  }
  void AlignToDword() {
    if (count % 2) Word(0);
  }
  void Item(DWORD style, WORD id, WORD windowClass, const char* title) {
    AlignToDword();
    Word(LOWORD(style)), Word(HIWORD(style));  // DLGITEMTEMPLATE: style,
    Word(0), Word(0);                            // extended style,
    Word(0), Word(0), Word(1), Word(1);          // x, y, cx, cy,
    Word(id);                                    // id,
    Word(0xFFFF), Word(windowClass);             // predefined class,
    Wide(title);                                 // title,
    Word(0);                                     // no creation data
  }
};

void BuildTemplate(DialogTemplate* t) {
  const DWORD style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t->Word(LOWORD(style)), t->Word(HIWORD(style));
  t->Word(0), t->Word(0);                      // extended style
  t->Word(2);                                  // two items
  t->Word(0), t->Word(0), t->Word(1), t->Word(1);  // x, y, cx, cy
  t->Word(0), t->Word(0), t->Word(0);          // no menu, default class, empty title
  t->Word(8);                                  // font size
  t->Wide("MS Sans Serif");
  t->Item(WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kTextId, 0x0082 /* static */, "");
  t->Item(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 0x0080 /* button */, "OK");
}

struct DialogContent {
  const Text* caption;
  const Text* text;
};

void Layout(HWND dialog, const DialogContent& content) {
  SetWindowTextA(dialog, content.caption->CStr());
  HWND label = GetDlgItem(dialog, kTextId);
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
  DialogTemplate counted;
  BuildTemplate(&counted);
  // Allocated memory is aligned as the template's DWORDs must be.
  const Buffer<WORD> words(counted.count);
  DialogTemplate dialogTemplate;
  dialogTemplate.words = words.Data();
  BuildTemplate(&dialogTemplate);
  const Text caption = application.Title();
  DialogContent content = {&caption, &text};
  ModalScope modal;
  DialogBoxIndirectParamA(application.Instance(),
                          reinterpret_cast<LPCDLGTEMPLATEA>(words.Data()),
                          application.Window(), DialogProc, reinterpret_cast<LPARAM>(&content));
}

}  // namespace vek::win32
