#pragma once
// The toolkit's information dialog. Its template is a resource
// (InformationDialog.rc) that every program showing it carries.

#include "platform/Text.h"
#include "platform/win32/window/Application.h"

namespace vek::win32 {

// Shows `text` unchanged in a modal dialog centred on the screen, captioned
// with the application's title, without an icon, word-wrapped to at most
// half the screen width, with one "OK" button that Enter and Esc press.
// The program's other windows are disabled while it is open.
void ShowInformationDialog(Application& application, const Text& text);

}  // namespace vek::win32
