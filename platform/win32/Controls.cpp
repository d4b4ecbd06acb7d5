#include "platform/win32/Controls.h"

#include "platform/win32/Paint.h"

namespace vek::win32 {

namespace {

constexpr char kPanelClass[] = "VekDllPanel";
constexpr char kBevelClass[] = "VekDllBevel";
constexpr char kPictureClass[] = "VekDllPicture";

Text WindowText(HWND window) {
  char buffer[256];
  int length = GetWindowTextA(window, buffer, sizeof buffer);
  return Text(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

void PaintControl(HWND window, HDC dc, const Control& control) {
  RECT rect;
  GetClientRect(window, &rect);
  const ControlLayout& entry = *control.layout;
  switch (entry.kind) {
    case ControlKind::Panel: {
      const Text caption = WindowText(window);
      PaintPanel(dc, rect, {entry.bevelOuter, entry.bevelInner, entry.borderWidth,
                            ColourOf(entry.colour), caption, control.font});
      break;
    }
    case ControlKind::BevelFrame:
      PaintBevelFrame(dc, rect);
      break;
    case ControlKind::Picture:
      PaintPicture(dc, rect, ColourOf(entry.colour), control.picture);
      break;
    case ControlKind::PictureButton:
      break;  // owner-drawn through its parent
  }
}

void DrawButton(const DRAWITEMSTRUCT& item) {
  const Control* control = ControlOf(item.hwndItem);
  if (!control) return;
  const Text caption = WindowText(item.hwndItem);
  PaintPictureButton(item.hDC, item.rcItem,
                     {caption, control->font, control->picture, control->glyphDisabled,
                      (item.itemState & ODS_SELECTED) != 0,
                      (item.itemState & ODS_FOCUS) != 0, (item.itemState & ODS_DISABLED) == 0});
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
      if (const Control* control = ControlOf(window)) PaintControl(window, paint.Dc(), *control);
      return 0;
    }
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcA(window, message, wParam, lParam);
      InvalidateRect(window, nullptr, FALSE);
      return result;
    }
    case WM_DRAWITEM:
      DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_COMMAND:
      // Button clicks go to the form, which runs the click events.
      return SendMessageA(GetAncestor(window, GA_ROOT), message, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void RegisterControlClasses(HINSTANCE instance) {
  for (const char* name : {kPanelClass, kBevelClass, kPictureClass}) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ControlProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
  }
}

const char* ControlClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::Panel:
      return kPanelClass;
    case ControlKind::BevelFrame:
      return kBevelClass;
    case ControlKind::Picture:
      return kPictureClass;
    case ControlKind::PictureButton:
      return "BUTTON";
  }
  return kPanelClass;
}

Control* ControlOf(HWND window) {
  return reinterpret_cast<Control*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void AttachControl(HWND window, Control* control) {
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
}

}  // namespace vek::win32
