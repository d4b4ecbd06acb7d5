#pragma once
// What the controls look like: drawing routines that take a DC, a rectangle
// and what to show. The window procedures only call them from WM_PAINT and
// WM_DRAWITEM.

#include <windows.h>

#include "platform/Text.h"
#include "platform/Toolkit.h"
#include "platform/win32/window/Picture.h"

namespace vek::win32 {

COLORREF ColourOf(Colour colour);

struct PanelLook {
  Bevel outer;
  Bevel inner;
  int borderWidth;
  COLORREF fill;
  const Text& caption;  // centred; may be empty
  HFONT font;           // borrowed
};

// A panel: the outer bevel, `borderWidth` pixels of the fill colour, the
// inner bevel, the filled inside and the caption centred in it.
void PaintPanel(HDC dc, RECT rect, const PanelLook& look);

// A lowered one-pixel box around `rect`; the inside is the face colour.
void PaintBevelFrame(HDC dc, RECT rect);

struct ButtonLook {
  const Text& caption;
  HFONT font;                       // borrowed
  const AlphaBitmap& glyph;          // may be empty
  const AlphaBitmap& glyphDisabled;  // the glyph faded to grey
  bool pressed;
  bool focused;
  bool enabled;
};

// A push button with its glyph left of the caption, both centred as a group;
// a dark outline and a dotted focus rectangle when focused; a faded glyph
// and an embossed grey caption when disabled.
void PaintPictureButton(HDC dc, RECT rect, const ButtonLook& look);

// The background colour, then `picture` (already scaled to the control)
// blended over it, so that its transparent parts show that colour.
void PaintPicture(HDC dc, RECT rect, COLORREF background, const AlphaBitmap& picture);

}  // namespace vek::win32
