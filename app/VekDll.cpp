// The program: no arguments, no title of its own; the main form
// FrmPrincipal runs until it is closed.

#include "app/LayoutPrincipal.h"
#include "app/UntPrincipal.h"
#include "platform/win32/Platform.h"
#include "platform/win32/process/Entry.h"

int vek::win32::ProgramMain() {
  Platform platform;
  TFrmPrincipal frmPrincipal(platform.Services(), platform.Tools());
  return platform.Run(kLayoutPrincipal, frmPrincipal);
}
