#include "platform/win32/window/Paint.h"

namespace vek::win32 {

namespace {

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  RECT area = {left, top, right, bottom};
  OwnedBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &area, brush.Get());
}

// One line of a 3D frame: top and left in `topLeft`, bottom and right in
// `bottomRight` (which also takes both corners they share); shrinks `rect`.
void Frame3D(HDC dc, RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
  const RECT& r = *rect;
  Fill(dc, r.left, r.top, r.right - 1, r.top + 1, topLeft);
  Fill(dc, r.left, r.top, r.left + 1, r.bottom - 1, topLeft);
  Fill(dc, r.right - 1, r.top, r.right, r.bottom, bottomRight);
  Fill(dc, r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
  InflateRect(rect, -1, -1);
}

void BevelLine(HDC dc, RECT* rect, Bevel bevel) {
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  if (bevel == Bevel::Raised) Frame3D(dc, rect, light, shadow);
  if (bevel == Bevel::Lowered) Frame3D(dc, rect, shadow, light);
}

void DrawCaption(HDC dc, RECT rect, const Text& caption, HFONT font, COLORREF colour) {
  SelectedObject selected(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextA(dc, caption.CStr(), static_cast<int>(caption.Length()), &rect,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

COLORREF ColourOf(Colour colour) {
  return colour == Colour::White ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNFACE);
}

void PaintPanel(HDC dc, RECT rect, const PanelLook& look) {
  BevelLine(dc, &rect, look.outer);
  for (int i = 0; i < look.borderWidth; ++i) Frame3D(dc, &rect, look.fill, look.fill);
  BevelLine(dc, &rect, look.inner);
  Fill(dc, rect.left, rect.top, rect.right, rect.bottom, look.fill);
  if (!look.caption.Empty()) {
    DrawCaption(dc, rect, look.caption, look.font, GetSysColor(COLOR_WINDOWTEXT));
  }
}

void PaintBevelFrame(HDC dc, RECT rect) {
  BevelLine(dc, &rect, Bevel::Lowered);
  Fill(dc, rect.left, rect.top, rect.right, rect.bottom, GetSysColor(COLOR_BTNFACE));
}

void PaintPictureButton(HDC dc, RECT rect, const ButtonLook& look) {
  if (look.focused) {
    // The dark outline of the button that Enter presses.
    OwnedBrush dark(CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME)));
    FrameRect(dc, &rect, dark.Get());
    InflateRect(&rect, -1, -1);
  }
  DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (look.pressed ? DFCS_PUSHED : 0));

  // Glyph, 4 pixels, caption: centred as one group; pressed moves it 1,1.
  constexpr int kSpacing = 4;
  SIZE text = {0, 0};
  {
    SelectedObject selected(dc, look.font);
    GetTextExtentPoint32A(dc, look.caption.CStr(), static_cast<int>(look.caption.Length()), &text);
  }
  const int glyphWidth = look.glyph ? look.glyph.width + kSpacing : 0;
  const int shift = look.pressed ? 1 : 0;
  const int left = rect.left + (rect.right - rect.left - glyphWidth - text.cx) / 2 + shift;
  const int middle = (rect.top + rect.bottom) / 2 + shift;
  RECT textRect = {left + glyphWidth, middle - text.cy / 2, left + glyphWidth + text.cx,
                   middle - text.cy / 2 + text.cy};
  const int glyphTop = middle - look.glyph.height / 2;

  if (look.enabled) {
    DrawAlphaBitmap(dc, look.glyph, left, glyphTop);
    DrawCaption(dc, textRect, look.caption, look.font, GetSysColor(COLOR_BTNTEXT));
  } else {
    // The caption embossed: a light copy one pixel down and right, grey on top.
    DrawAlphaBitmap(dc, look.glyphDisabled, left, glyphTop);
    RECT lightRect = textRect;
    OffsetRect(&lightRect, 1, 1);
    DrawCaption(dc, lightRect, look.caption, look.font, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawCaption(dc, textRect, look.caption, look.font, GetSysColor(COLOR_BTNSHADOW));
  }

  if (look.focused) {
    InflateRect(&rect, -3, -3);
    DrawFocusRect(dc, &rect);
  }
}

void PaintPicture(HDC dc, RECT rect, COLORREF background, const AlphaBitmap& picture) {
  Fill(dc, rect.left, rect.top, rect.right, rect.bottom, background);
  DrawAlphaBitmap(dc, picture, rect.left, rect.top);
}

}  // namespace vek::win32
