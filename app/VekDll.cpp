// The program's entry: no arguments, no title of its own; the main form
// FrmPrincipal runs until it is closed.

#include "app/LayoutPrincipal.h"
#include "app/UntPrincipal.h"
#include "platform/win32/Platform.h"

int main() {
  vek::win32::Platform platform;
  vek::TFrmPrincipal frmPrincipal(platform.Services(), platform.Tools());
  return platform.Run(vek::kLayoutPrincipal, frmPrincipal);
}
