#pragma once
// The child controls of the main form: their per-control state and their
// window classes. A control's state lives in the form; its window keeps a
// pointer to it in GWLP_USERDATA.

#include <windows.h>

#include "common/Text.h"
#include "platform/Toolkit.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Picture.h"

namespace vek::win32 {

struct Control {
  const ControlLayout* layout = nullptr;  // its row of the form's table (static)
  HWND window = nullptr;  // a child of the form, destroyed with it
  OwnedFont ownFont;      // when the control has a font of its own
  HFONT font = nullptr;   // the font in use: ownFont or the form's (borrowed)
  AlphaBitmap picture;    // the logo, or a button's glyph
  AlphaBitmap glyphDisabled;  // a button's glyph as it looks disabled
};

// Registers the window classes of panels, bevel frames and pictures.
void RegisterControlClasses(HINSTANCE instance);

// The window class for a kind of control. Picture buttons are owner-drawn
// system buttons, so that mouse and space bar behave as users expect.
const char* ControlClass(ControlKind kind);

// The control that owns `window`, or null for a window that is none of ours.
Control* ControlOf(HWND window);
void AttachControl(HWND window, Control* control);

}  // namespace vek::win32
