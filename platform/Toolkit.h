#pragma once
// The window toolkit that the installer needs, as an interface: an
// application object, one fixed-size main form built from a control table,
// and the operations the program performs on them. The real toolkit lives in
// platform/win32; the unit tests put a fake in its place.

#include <cstddef>

#include "platform/Failure.h"
#include "platform/Text.h"

namespace vek {

// Identifies a control of the main form; the application's control table
// assigns them (and they double as the Windows control IDs).
using ControlId = int;
constexpr ControlId kNoControl = 0;

enum class ControlKind {
  Panel,          // a filled panel with bevels and an optional centred caption
  BevelFrame,     // a lowered box frame drawn around another control
  PictureButton,  // a push button with a glyph left of its caption; a tab stop
  Picture,        // a picture with alpha, made at the control's size by the build
};

enum class Bevel { None, Raised, Lowered };
enum class Colour { Face, White };

struct FontStyle {
  const char* face;  // null: the form's font
  int pixelHeight;   // character height in pixels
  bool bold;
};

// One row of the form's control table. Positions and sizes are pixels at 96
// dots per inch, relative to the parent's client area. A control later in the
// table lies above its earlier siblings. Frames, pictures and panels that are
// shown from the start without a caption are drawn by the form and stay as
// their rows give them; the operations of the Toolkit act on the others.
struct ControlLayout {
  ControlId id;
  ControlKind kind;
  ControlId parent;  // kNoControl: the form itself
  int left, top, width, height;
  const char* text;  // caption, or null
  FontStyle font;
  Colour colour;
  Bevel bevelInner, bevelOuter;
  int borderWidth;
  bool visible;
  const char* image;  // resource name of a picture or glyph (tools/images), or null
};

struct FormLayout {
  int clientWidth, clientHeight;
  FontStyle font;
  const ControlLayout* controls;
  std::size_t controlCount;
  ControlId cancelButton;  // pressed by Esc while enabled and visible
};

// What the toolkit calls back in the application. A Failure that a handler
// returns is shown in the standard error box; the program then goes on.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  // The form's show event: runs once, before the form is placed and drawn.
  virtual Failure OnShow() = 0;
  // A button was clicked, pressed by key, or pressed in code.
  virtual Failure OnClick(ControlId button) = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Sets the application title: the task bar text and the caption of the
  // information dialog and of the standard error box.
  virtual void SetApplicationTitle(const Text& title) = 0;

  // Handles every queued window event, painting included, until the queue is
  // empty. A request to close the program met here ends the event loop as
  // soon as the running handler returns.
  virtual void ProcessMessages() = 0;

  // A modal dialog centred on the screen, captioned with the application
  // title, no icon, the text unchanged and word-wrapped to at most half the
  // screen width, one "OK" button that Enter and Esc press.
  virtual void ShowInformation(const Text& text) = 0;

  virtual void SetFormText(const Text& text) = 0;
  // Closes the main form, which ends the program; no question is asked.
  virtual void CloseForm() = 0;

  virtual void SetVisible(ControlId control, bool visible) = 0;
  virtual bool IsVisible(ControlId control) = 0;
  // Moves the control above its siblings, so that it covers them.
  virtual void BringToFront(ControlId control) = 0;
  virtual void SetText(ControlId control, const Text& text) = 0;
  // A disabled button ignores clicks and keys.
  virtual void SetEnabled(ControlId control, bool enabled) = 0;
  virtual void Focus(ControlId control) = 0;
  // Presses a button in code: runs its click event and returns its outcome.
  virtual Failure Press(ControlId button) = 0;
};

}  // namespace vek
