#include "platform/win32/window/Controls.h"

#include "platform/win32/window/Paint.h"
#include "platform/win32/window/WindowClass.h"

namespace vek::win32 {

namespace {

constexpr char kPanelClass[] = "VekDllPanel";

Text WindowText(HWND window) {
  char buffer[256];
  int length = GetWindowTextA(window, buffer, sizeof buffer);
  return Text(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      AttachControl(window, static_cast<Control*>(
                                reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PaintScope paint(window);
      if (const Control* control = ControlOf(window)) {
        RECT rect;
        GetClientRect(window, &rect);
        PaintControl(paint.Dc(), rect, *control, WindowText(window));
      }
      return 0;
    }
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcA(window, message, wParam, lParam);
      InvalidateRect(window, nullptr, FALSE);
      return result;
    }
    case WM_DRAWITEM:
    case WM_COMMAND:
      // The drawing and the clicks of the buttons inside a panel go to the
      // form, which draws the buttons and runs the click events.
      return SendMessageA(GetAncestor(window, GA_ROOT), message, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool NeedsWindow(const ControlLayout& entry, const Control* parent) {
  if (parent && parent->windowed) return true;
  switch (entry.kind) {
    case ControlKind::PictureButton:
      return true;
    case ControlKind::Panel:
      return !entry.visible || entry.text;
    case ControlKind::BevelFrame:
    case ControlKind::Picture:
      return false;
  }
  return true;
}

void RegisterControlClasses(HINSTANCE instance) {
  RegisterWindowClass(instance, kPanelClass, ControlProc, {nullptr, nullptr, true, nullptr});
}

const char* ControlClass(ControlKind kind) {
  return kind == ControlKind::PictureButton ? "BUTTON" : kPanelClass;
}

Control* ControlOf(HWND window) {
  return reinterpret_cast<Control*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void AttachControl(HWND window, Control* control) {
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
}


void PaintControl(HDC dc, const RECT& rect, const Control& control, const Text& caption) {
  const ControlLayout& entry = *control.layout;
  switch (entry.kind) {
    case ControlKind::Panel:
      PaintPanel(dc, rect, {entry.bevelOuter, entry.bevelInner, entry.borderWidth,
                            ColourOf(entry.colour), caption, control.font});
      break;
    case ControlKind::BevelFrame:
      PaintBevelFrame(dc, rect);
      break;
    case ControlKind::Picture:
      PaintPicture(dc, rect, ColourOf(entry.colour), control.picture);
      break;
    case ControlKind::PictureButton:
      break;  // owner-drawn: DrawButton
  }
}

void DrawButton(const DRAWITEMSTRUCT& item) {
  Control* control = ControlOf(item.hwndItem);
  if (!control) return;
  const bool enabled = (item.itemState & ODS_DISABLED) == 0;
  // Most starts never show a disabled button: its glyph is made when needed.
  if (!enabled && !control->glyphDisabled) {
    control->glyphDisabled = Faded(control->picture, GetSysColor(COLOR_BTNFACE));
  }
  const Text caption = WindowText(item.hwndItem);
  PaintPictureButton(item.hDC, item.rcItem,
                     {caption, control->font, control->picture,
                      control->glyphDisabled, (item.itemState & ODS_SELECTED) != 0,
                      (item.itemState & ODS_FOCUS) != 0, enabled});
}

}  // namespace vek::win32
