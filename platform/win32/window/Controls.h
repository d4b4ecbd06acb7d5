#pragma once
// The child controls of the main form: their per-control state, which of
// them get windows, their one window class and how each is painted. A
// control's state lives in the form; a control's window keeps a pointer to
// it in GWLP_USERDATA.

#include <windows.h>

#include "platform/Text.h"
#include "platform/Toolkit.h"
#include "platform/win32/Handles.h"
#include "platform/win32/window/Picture.h"

namespace vek::win32 {

struct Control {
  const ControlLayout* layout = nullptr;  // its row of the form's table (static)
  const Control* parent = nullptr;        // null: the form
  RECT place = {};                        // where it lies in the form's client area
  bool windowed = false;  // it gets a window (NeedsWindow); else the form paints it
  HWND window = nullptr;  // a child of the form or of its parent, once made
  OwnedFont ownFont;      // when the control has a font of its own
  HFONT font = nullptr;   // the font in use: ownFont, or another's (borrowed)
  AlphaBitmap picture;    // the logo, or a button's glyph
  AlphaBitmap glyphDisabled;  // a button's glyph as it looks disabled, made when first needed
};

// True when `entry` gets a window of its own: what takes the focus or keys
// (buttons), what the program shows, hides or retitles (panels hidden at
// start or with a caption), and whatever lies inside such a control, which
// must move and stack with it. Frames, pictures and plain panels are painted
// by the form at their places, beneath every window: for the start-up rows
// of bench/counts.py (a window per control costs a window of the window
// system, a font message and a paint).
bool NeedsWindow(const ControlLayout& entry, const Control* parent);

// Registers the window class of panels.
void RegisterControlClasses(HINSTANCE instance);

// The window class for a kind of control that has a window. Picture buttons
// are owner-drawn system buttons, so that mouse and space bar behave as
// users expect.
const char* ControlClass(ControlKind kind);

// The control that owns `window`, or null for a window that is none of ours.
Control* ControlOf(HWND window);
void AttachControl(HWND window, Control* control);

// Paints a panel, frame or picture into `rect` of `dc`, with `caption`.
void PaintControl(HDC dc, const RECT& rect, const Control& control, const Text& caption);

// Paints an owner-drawn picture button as Windows asks in WM_DRAWITEM.
void DrawButton(const DRAWITEMSTRUCT& item);

}  // namespace vek::win32
